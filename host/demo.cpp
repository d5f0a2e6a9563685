// The road of one order, as far as the tier is built, through late-bound calls only: the
// way the shop's pages use the classes.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "host/commands.h"
#include "host/json.h"
#include "host/xslt/transform.h"
#include "platform/data/recordset.h"
#include "platform/dictionary.h"
#include "platform/registry.h"

namespace host {

using platform::Variant;

namespace {

void show(const char* step, const Variant& value) {
  std::printf("== %s\n%s\n", step, toJson(value).c_str());
}

// The header recordset of a document, reached late-bound: doc("header").
platform::ObjectPtr headerOf(const Variant& document) {
  return document.toObject()->call("Item", {Variant("header")}).toObject();
}

// rs.Fields(name), late-bound.
platform::ObjectPtr fieldOf(const platform::ObjectPtr& recordset, const char* name) {
  return recordset->call("Fields").toObject()->call("Item", {Variant(name)}).toObject();
}

// The order form of a document: its XML through the examples' style sheet, written beside the
// installation as order-form.html; the file's path.
std::string writeOrderForm(const platform::ObjectPtr& basket, const Variant& document, const std::string& home) {
  const std::string html = xslt::transform(basketXml(basket, document, ""), xslt::examplesFolder() + "/basket.xsl");
  const std::string path = home + "/order-form.html";
  std::ofstream(path, std::ios::binary) << html;
  return path;
}

// The ERP's warehouse ships the order and its accounts invoice it; the order's three ERP
// documents are fetched as XML and written beside the installation, each with the page the
// examples' style sheet makes of it.
void fulfilInTheErp(const std::string& salesOrder, const std::string& home) {
  auto desk = platform::createObject("ErpOperator.Fulfilment");
  const platform::Date today = platform::Date::today();
  const Variant shipment = desk->call("Ship", {Variant(salesOrder), Variant(), Variant(today)});
  std::printf("== ERP sales order %s shipped: shipment %s\n", salesOrder.c_str(), shipment.toString().c_str());
  const Variant invoices = desk->call("Invoice", {Variant(salesOrder), Variant(today)});
  for (const Variant& invoice : invoices.array().items)
    std::printf("== ERP sales order %s invoiced: invoice %s\n", salesOrder.c_str(), invoice.toString().c_str());
  const std::string sheet = xslt::examplesFolder() + "/erp_documents.xsl";
  for (const char* type : {"ACK", "ASN", "INV"}) {
    const std::string xml = erpDocumentXml("1", salesOrder, type, "");
    std::string name = std::string("erp-") + type;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::ofstream(home + "/" + name + ".xml", std::ios::binary) << xml;
    std::ofstream(home + "/" + name + ".html", std::ios::binary) << xslt::transform(xml, sheet);
    std::printf("== GetXML %s of ERP sales order %s: %s/%s.xml, rendered as %s/%s.html\n", type, salesOrder.c_str(),
                home.c_str(), name.c_str(), home.c_str(), name.c_str());
  }
}

// The ERP of instance 1 prices a line and allocates the stock of the order it already holds,
// through the backend actions as a page would use them.
void askTheErp() {
  platform::ObjectPtr instance =
      platform::createObject("CorvoBackend.Selector")->call("GetInstance", {Variant(1)}).toObject();
  const Variant component = instance->call("GetSettings").toObject()->call("Item", {Variant("componentid")});
  const Variant tovoType(platform::lowerCase(instance->call("GetTovoType").toString()));

  platform::ObjectPtr priceTax = platform::createObject("Merxalink.PriceTax");
  platform::Args init{tovoType, component, Variant()};
  priceTax->invoke("InitializeAction", platform::CallKind::Method, init);
  std::printf("== ERP instance 1 (%s, %s): InitializeAction error code %s\n", tovoType.toString().c_str(),
              component.toString().c_str(), toJson(init[2]).c_str());
  for (int option : {1, 2}) {
    platform::Args ask{Variant(option), Variant("C1001"), Variant("BOLT-M8-50"), Variant("EUR"), Variant(""),
                       Variant(3), Variant(3), Variant("BOX"), Variant("AC0101"), Variant("AC0102"), Variant(""),
                       Variant(34.5), Variant(0.0)};
    ask.resize(ask.size() + 10);
    priceTax->invoke("GetPriceAndOrTax", platform::CallKind::Method, ask);
    if (option == 1)
      std::printf("== ERP price of 3 BOX BOLT-M8-50 for C1001: unit price %s, discount %s %% = %s a unit\n",
                  toJson(ask[13]).c_str(), toJson(ask[14]).c_str(), toJson(ask[15]).c_str());
    else
      std::printf("== ERP tax of a line amount of 34.5: %s (%s %%, code %s, %s)\n", toJson(ask[16]).c_str(),
                  toJson(ask[17]).c_str(), toJson(ask[18]).c_str(), toJson(ask[20]).c_str());
  }
  priceTax->call("CloseAction");

  platform::ObjectPtr allocate = platform::createObject("Merxalink.Allocate");
  allocate->invoke("InitializeAction", platform::CallKind::Method, init);
  for (int line : {10, 20}) {
    platform::Args allocation{Variant("100001"), Variant(line), Variant()};
    allocate->invoke("Allocate", platform::CallKind::Method, allocation);
    std::printf("== Allocate ERP order 100001, line %d: error number %s%s\n", line, toJson(allocation[2]).c_str(),
                allocation[2].toLong() == 0 ? "" : " (not enough stock)");
  }
  allocate->call("CloseAction");
}


// A basket becomes a quotation priced from the web price lists; a copy of part of it is made,
// and the copy, accepted by the customer, is submitted as an order.
void quotationRoad() {
  // Acme's quotations last three weeks and remind three days before they expire (its
  // customer setting in the demo data).
  platform::ObjectPtr basket = platform::createObject("Merxa.Basket");
  const Variant created = basket->call("Create", {Variant("U1"), Variant(1001)});
  platform::ObjectPtr header = headerOf(created);
  const std::string id = fieldOf(header, "BASKETID")->call("Value").toString();
  fieldOf(header, "BASKETNAME")->put("Value", Variant("Tender 2027"));
  fieldOf(header, "CUSTOMERCODE")->put("Value", Variant("C1001"));
  fieldOf(header, "CUSTOMERNAME")->put("Value", Variant("Acme Industrial Supplies"));
  fieldOf(header, "USERLOCALE")->put("Value", Variant(1033));
  fieldOf(header, "KIROID")->put("Value", Variant(1));
  basket->call("Save", {created});
  platform::Args add{created, Variant(4711), Variant(3.0), Variant("12/24/2026"), Variant(false), Variant("")};
  for (int sku : {4711, 4713, 4712}) {
    add[1] = Variant(sku);
    basket->invoke("AddLine", platform::CallKind::Call, add);
  }

  platform::ObjectPtr quotation = platform::createObject("Merxa.Quotation");
  quotation->call("Create", {add[0]});
  show(("Quotation Create of basket " + id).c_str(),
       platform::createObject("Merxa.Manager")
           ->call("GetRecordSet", {Variant("SELECT QUOTATIONID, PRICINGMETHOD, EXPIRYDATE, NOTIFICATIONDATE, "
                                           "TOTALNETAMOUNT, DISCOUNTTOTAL, SUBTOTAL FROM QUOTATIONHEADER")}));

  auto fields = platform::makeObject<platform::Dictionary>();
  fields->Add(Variant("CUSTOMERREFERENCE"), Variant("Tender 2027, bolts and washers"));
  fields->Add(Variant("COMMENTS"), Variant("Accepted by phone"));
  platform::Args copy{Variant(id), Variant(fields), Variant::array({Variant(1), Variant(2)})};
  show("CopyQuotation of lines 1 and 2: rejected lines", quotation->invoke("CopyQuotation", platform::CallKind::Call, copy));
  const Variant copyId = fields->Item(Variant("QUOTATIONID"));
  const Variant accepted = quotation->call("Show", {copyId});
  show(("Show " + copyId.toString()).c_str(), accepted);
  accepted.toObject()->call("Add", {Variant("origin"), Variant(1)});
  platform::createObject("Merxa.Order")->call("SubmitBasket", {accepted});
  std::printf("== SubmitBasket of quotation %s\n", copyId.toString().c_str());
}

}  // namespace

int runDemo(const Arguments& args) {
  Arguments setupArgs = args;
  setupArgs.push_back("--force");
  if (runSetup(setupArgs) != 0) return 1;
  setenv("CORVANE_HOME", corvaneHome(args).c_str(), 1);
  try {
    platform::ObjectPtr basket = platform::createObject("Merxa.Basket");

    const Variant created = basket->call("Create", {Variant("U1"), Variant(1001)});
    show("Create U1 1001", created);
    platform::ObjectPtr header = headerOf(created);
    const std::string id = fieldOf(header, "BASKETID")->call("Value").toString();
    fieldOf(header, "BASKETNAME")->put("Value", Variant("Spring order"));
    fieldOf(header, "BASKETTEXT")->put("Value", Variant("Deliver to the loading dock"));
    basket->call("Save", {created});
    std::printf("== Save: named the basket and stored it\n");

    // Lines: AddLine hands the document back through its first, by-reference argument.
    platform::Args add{created, Variant(4711), Variant(3.0), Variant("12/24/2026"), Variant(false), Variant("")};
    for (int sku : {4711, 4712, 4713}) {
      add[1] = Variant(sku);
      const Variant lineNr = basket->invoke("AddLine", platform::CallKind::Call, add);
      std::printf("== AddLine SKU %d: line %s\n", sku, lineNr.toString().c_str());
    }
    platform::Args remove{add[0], Variant::array({Variant(2)})};
    basket->invoke("DeleteLines", platform::CallKind::Call, remove);
    std::printf("== DeleteLines [2]\n");

    const Variant copy = basket->call("Copy", {created, Variant("Copy of spring order")});
    show("Copy", copy);

    const std::string restoreStep = "Restore " + id;
    show(restoreStep.c_str(), basket->call("Restore", {Variant(id)}));

    platform::Args ref{Variant(id)};
    const Variant partner = basket->invoke("GetBPStoredInDB", platform::CallKind::Call, ref);
    show("GetBPStoredInDB", partner);

    basket->call("Delete", {Variant(id)});
    std::printf("== Delete %s\n", id.c_str());
    ref = {Variant(id)};
    show("GetBPStoredInDB after delete", basket->invoke("GetBPStoredInDB", platform::CallKind::Call, ref));
    // The copy goes on to become an order: the page prices its lines, chooses the ERP instance
    // and submits it.
    platform::ObjectPtr copyHeader = headerOf(copy);
    platform::ObjectPtr copyLines = copy.toObject()->call("Item", {Variant("lines")}).toObject();
    double total = 0, tax = 0;
    for (copyLines->call("MoveFirst"); !copyLines->call("EOF").toBool(); copyLines->call("MoveNext")) {
      const double amount = 12.5 * fieldOf(copyLines, "QUANTITY")->call("Value").toDouble();
      fieldOf(copyLines, "PRODUCTPRICE")->put("Value", Variant(12.5));
      for (const char* zero : {"DISCOUNTPERC", "DISCOUNTAMOUNT", "LINEDISCOUNTAMOUNT", "ORDERDISCOUNTAMOUNT"})
        fieldOf(copyLines, zero)->put("Value", Variant(0.0));
      fieldOf(copyLines, "LINEAMOUNT")->put("Value", Variant(amount));
      fieldOf(copyLines, "TAXCODE")->put("Value", Variant("H"));
      // The catalogue's part number, the item code the ERP knows the product by.
      const Variant part = platform::createObject("Merxa.Manager")
                               ->call("GetRecordSet", {Variant("SELECT PARTNUMBER FROM PRODUCT WHERE PRODUCTID = " +
                                                               fieldOf(copyLines, "SKU")->call("Value").toString())});
      fieldOf(copyLines, "PARTNUMBER")->put("Value", fieldOf(part.toObject(), "PARTNUMBER")->call("Value"));
      fieldOf(copyLines, "TAXCODEDESCRIPTION")->put("Value", Variant("VAT high rate"));
      fieldOf(copyLines, "TAXPERCENTAGE")->put("Value", Variant(21.0));
      fieldOf(copyLines, "TAXAMOUNT")->put("Value", Variant(amount * 0.21));
      total += amount;
      tax += amount * 0.21;
    }
    fieldOf(copyHeader, "KIROID")->put("Value", Variant(1));
    fieldOf(copyHeader, "DISCOUNTPERC")->put("Value", Variant(0.0));
    fieldOf(copyHeader, "DISCOUNTTOTAL")->put("Value", Variant(0.0));
    for (const char* sum : {"TOTALNETAMOUNT", "SUBTOTAL"}) fieldOf(copyHeader, sum)->put("Value", Variant(total));
    fieldOf(copyHeader, "TAXTOTAL")->put("Value", Variant(tax));
    fieldOf(copyHeader, "TOTAL")->put("Value", Variant(total + tax));
    fieldOf(copyHeader, "CUSTOMERNAME")->put("Value", Variant("Acme Industrial Supplies"));
    fieldOf(copyHeader, "CUSTOMERCODE")->put("Value", Variant("C1001"));
    fieldOf(copyHeader, "PAYMENTMETHOD")->put("Value", Variant::integer(1));
    fieldOf(copyHeader, "USERLOCALE")->put("Value", Variant(1033));
    // The page shows the currency's symbol as the currency's own locale writes it.
    const Variant currency = platform::createObject("CorvoCommon.Currency")
                                 ->call("GetCurrencyProperties", {fieldOf(copyHeader, "CURRENCYCODE")->call("Value")});
    const Variant currencyLocale = currency.toObject()->call("Item", {Variant("LOCALEID")});
    fieldOf(copyHeader, "CURRENCYSYMBOL")
        ->put("Value", platform::createObject("CorvoLibrary.DataFunctions")->call("CurrencySymbol", {currencyLocale}));
    const std::string form = writeOrderForm(basket, copy, corvaneHome(args));
    std::printf("== ConvertToXML of the copy, rendered as the order form: %s\n", form.c_str());
    platform::createObject("Merxa.Order")->call("SubmitBasket", {copy});
    std::printf("== SubmitBasket of the copy\n");

    platform::ObjectPtr manager = platform::createObject("Merxa.Manager");
    show("Stored order", manager->call("GetRecordSet", {Variant("SELECT ORDERID, ORDERSTATUS, ORDERDATE, KIROID, "
                                                                "WEBPAYMENTMETHOD, TOTAL FROM ORDERHEADER")}));
    show("Its lines", manager->call("GetRecordSet", {Variant("SELECT LINENR, PRODUCTID, QUANTITY, PRICE, AMOUNT, "
                                                             "LINESTATUS FROM ORDERLINE ORDER BY LINENR")}));
    show("Its addresses", manager->call("GetRecordSet", {Variant("SELECT ADDRESSID, NAME1, CITY1, KIROADDRESSCODE "
                                                                 "FROM ADDRESSHISTORY ORDER BY ADDRESSID")}));
    // The periodic export of instance 1 sends it to the ERP.
    platform::createObject("Merxa.Order")->call("CreateSOatBackend", {Variant(1)});
    std::printf("== CreateSOatBackend 1: the pending orders of ERP instance 1 sent to the ERP\n");
    show("The order in the ERP", manager->call("GetRecordSet", {Variant("SELECT ORDERID, SALESORDERNR, ORDERSTATUS, "
                                                                        "ERROR FROM ORDERHEADER")}));
    show("Its lines confirmed", manager->call("GetRecordSet", {Variant("SELECT LINENR, SALESORDERNR, SALESORDERLINENR "
                                                                       "FROM ORDERLINE ORDER BY LINENR")}));
    const platform::ObjectPtr exported = manager->call("GetRecordSet", {Variant("SELECT SALESORDERNR FROM ORDERHEADER")}).toObject();
    fulfilInTheErp(fieldOf(exported, "SALESORDERNR")->call("Value").toString(), corvaneHome(args));
    quotationRoad();
    askTheErp();
    std::printf("The road of one order ran to its end.\n");
    return 0;
  } catch (const platform::ComError& e) {
    return reportError(e);
  } catch (const xslt::TransformError& e) {
    std::fprintf(stderr, "merxa demo: %s\n", e.what());
    return 1;
  }
}

}  // namespace host
