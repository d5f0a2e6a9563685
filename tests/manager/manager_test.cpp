#include "manager/manager.h"

#include <gtest/gtest.h>

#include <functional>

#include "common/lib_sales.h"
#include "common/merxa_error.h"
#include "platform/registry.h"
#include "tests/support/sales_fixture.h"

namespace {

using merxa::Manager;
using platform::ComError;
using platform::Date;
using platform::Variant;

Variant list(std::vector<Variant> items) { return Variant::array(std::move(items)); }

// The first row of `sql`, detached.
platform::data::RecordsetPtr rowOf(const std::string& sql) {
  return merxa::Sls_GetDisconnectedRecordset(sql, merxa::Sls_ConnectionString());
}

int32_t countOf(const std::string& sql) { return rowOf(sql)->field(0)->Value().toLong(); }

int32_t errNumberOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ComError& e) {
    return e.errNumber();
  }
  return 0;
}

// Starts without the demo customers' settings: the cases make the rows they read.
class ManagerTest : public testsupport::SalesTest {
 protected:
  void SetUp() override {
    SalesTest::SetUp();
    auto cn = merxa::Sls_GetOpenConnection(merxa::Sls_ConnectionString());
    cn->executeNoRecords("DELETE FROM CUSTOMERSETTING");
    merxa::Sls_CloseConnection(cn);
  }

  void addSetting(int32_t partner, const Variant& orderType, const Variant& ccOrderType) {
    manager.Create("CUSTOMERSETTING", list({"BUSINESSPARTNERID", "ORDERTYPE", "CCORDERTYPE"}),
                   list({Variant(partner), orderType, ccOrderType}));
  }

  testsupport::LogCapture log;
  Manager manager;
};

TEST_F(ManagerTest, BothDatabasesReportTheTypeCodesTheLiteralsAreChosenBy) {
  auto cn = merxa::Sls_GetOpenConnection(merxa::Sls_ConnectionString());
  auto types = manager.GetDataTypes("ORDERLINE", cn);
  const std::pair<const char*, const char*> expected[] = {
      {"ORDERID", "130"}, {"LINENR", "2"},           {"PRODUCTID", "3"},     {"PRICE", "5"},
      {"CONFIGCOMPLETE", "11"}, {"REQUESTDATE", "135"}, {"LINETEXT", "130"},
  };
  for (const auto& [column, code] : expected) {
    ASSERT_TRUE(types->Exists(Variant(column))) << column;
    EXPECT_EQ(types->Item(Variant(column)).toString(), code) << column;
  }
  EXPECT_FALSE(types->Exists(Variant("orderid")));  // the schema's spelling only
  merxa::Sls_CloseConnection(cn);
}

TEST_F(ManagerTest, CreateWritesEachValueAsItsColumnTypeReads) {
  // Whole-number columns round half to even; decimal columns keep their fraction.
  manager.Create("ORDERLINE",
                 list({"ORDERID", "LINENR", "PRODUCTID", "ADDRESSID", "QUANTITY", "PRICE", "CONFIGCOMPLETE",
                       "REQUESTDATE", "LINETEXT", "LINESTATUS"}),
                 list({"O'1", "2.5", 12.5, "13.5", 13.5, "12.5", "True", Variant(Date::fromParts(2026, 12, 24, 15, 30)),
                       "x'); DELETE FROM ORDEREXPORTFILE; --", 0}));
  auto row = rowOf("SELECT * FROM ORDERLINE");
  ASSERT_FALSE(row->eof());
  EXPECT_EQ(row->value("ORDERID").toString(), "O'1");
  EXPECT_EQ(row->value("LINENR").toLong(), 2);
  EXPECT_EQ(row->value("PRODUCTID").toLong(), 12);
  EXPECT_EQ(row->value("ADDRESSID").toLong(), 14);
  EXPECT_DOUBLE_EQ(row->value("QUANTITY").toDouble(), 13.5);
  EXPECT_DOUBLE_EQ(row->value("PRICE").toDouble(), 12.5);
  EXPECT_TRUE(row->value("CONFIGCOMPLETE").toBool());
  EXPECT_EQ(row->value("REQUESTDATE").toDate().serial, Date::fromParts(2026, 12, 24, 15, 30).serial);
  EXPECT_EQ(row->value("LINETEXT").toString(), "x'); DELETE FROM ORDEREXPORTFILE; --");
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM ORDEREXPORTFILE"), 1);
}

TEST_F(ManagerTest, ValueColumnsTheTableLacksAreLeftOutAndReported) {
  // "ordertype" differs from the schema's spelling only in letter case.
  manager.Create("CUSTOMERSETTING", list({"BUSINESSPARTNERID", "ordertype", "SUBMIT", "CCORDERTYPE"}),
                 list({1001, "SO", "Save", "CC"}));
  auto row = rowOf("SELECT * FROM CUSTOMERSETTING");
  EXPECT_TRUE(row->value("ORDERTYPE").isNull());
  EXPECT_EQ(row->value("CCORDERTYPE").toString(), "CC");
  EXPECT_EQ(log.count(2), 2u);

  log.clear();
  manager.Update("CUSTOMERSETTING", list({"NOTIFY", "SUBMIT"}), list({"1", "Save"}), list({"BUSINESSPARTNERID"}),
                 list({1001}));
  EXPECT_TRUE(rowOf("SELECT NOTIFY FROM CUSTOMERSETTING")->value("NOTIFY").toBool());
  EXPECT_EQ(log.count(2), 1u);

  // Nothing the table has: nothing to write.
  EXPECT_EQ(errNumberOf([&] { manager.Create("CUSTOMERSETTING", list({"SUBMIT"}), list({"Save"})); }),
            platform::vb::InvalidProcedureCall);
}

TEST_F(ManagerTest, UpdateAndDeleteTouchOnlyTheRowsTheirKnownKeysSelect) {
  addSetting(1001, "A", "B");
  addSetting(1002, "C", "D");
  // A key the table lacks (here by letter case), or none at all, would widen the statement.
  const std::function<void()> refused[] = {
      [&] {
        manager.Update("CUSTOMERSETTING", list({"ORDERTYPE"}), list({"X"}), list({"businesspartnerid"}), list({1001}));
      },
      [&] { manager.Update("CUSTOMERSETTING", list({"ORDERTYPE"}), list({"X"}), list({}), list({})); },
      [&] { manager.Delete("CUSTOMERSETTING", list({"BUSINESSPARTNERID", "CUSTOMERNAME"}), list({1001, "Acme"})); },
  };
  for (const auto& call : refused) EXPECT_EQ(errNumberOf(call), platform::vb::InvalidProcedureCall);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM CUSTOMERSETTING WHERE ORDERTYPE IN ('A', 'C')"), 2);

  // Null and empty text write Null, in the selected row only.
  manager.Update("CUSTOMERSETTING", list({"ORDERTYPE", "CCORDERTYPE", "EXPIRATIONPERIOD"}),
                 list({Variant::null(), "", "30"}), list({"BUSINESSPARTNERID"}), list({1001}));
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM CUSTOMERSETTING WHERE ORDERTYPE IS NULL AND CCORDERTYPE IS NULL AND "
                    "EXPIRATIONPERIOD = 30"),
            1);
  manager.Delete("CUSTOMERSETTING", list({"BUSINESSPARTNERID"}), list({"1001"}));
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM CUSTOMERSETTING WHERE ORDERTYPE = 'C'"), 1);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM CUSTOMERSETTING"), 1);
}

TEST_F(ManagerTest, NullsNonNumbersAndForeignTableNamesFailAndChangeNothing) {
  addSetting(1001, "A", "B");
  const std::pair<int, std::function<void()>> refused[] = {
      {platform::vb::InvalidUseOfNull,
       [&] { manager.Create("CUSTOMERSETTING", list({"BUSINESSPARTNERID", "ORDERTYPE"}), list({1002, Variant::null()})); }},
      {platform::vb::InvalidUseOfNull,
       [&] { manager.Delete("CUSTOMERSETTING", list({"BUSINESSPARTNERID"}), list({Variant::null()})); }},
      {platform::vb::TypeMismatch,
       [&] { manager.Delete("CUSTOMERSETTING", list({"BUSINESSPARTNERID"}), list({"1001 OR 1=1"})); }},
      {platform::vb::InvalidProcedureCall,
       [&] { manager.Delete("CUSTOMERSETTING; DELETE FROM ORDEREXPORTFILE", list({"BUSINESSPARTNERID"}), list({1})); }},
      {platform::vb::InvalidProcedureCall,
       [&] { manager.Create("NO_SUCH_TABLE", list({"BUSINESSPARTNERID"}), list({1002})); }},
  };
  for (const auto& [number, call] : refused) EXPECT_EQ(errNumberOf(call), number);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM CUSTOMERSETTING"), 1);
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM ORDEREXPORTFILE"), 1);
  manager.Create("dbo.CUSTOMERSETTING", list({"BUSINESSPARTNERID"}), list({1002}));
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM CUSTOMERSETTING"), 2);
}

TEST_F(ManagerTest, DeleteRefusesACustomerThatSettingsStillReferTo) {
  addSetting(1002, "A", "B");
  EXPECT_TRUE(manager.Exists("customer", list({"CUSTOMERNAME", "businesspartnerid"}), list({"x", 1002})));
  EXPECT_FALSE(manager.Exists("CUSTOMER", list({"BUSINESSPARTNERID"}), list({"1001"})));
  try {
    manager.Delete("CUSTOMER", list({"BUSINESSPARTNERID"}), list({1002}));
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.number, merxa::ReferentialDelete);
    EXPECT_NE(e.description.find("Reference Exists for BUSINESSPARTNERID=1002"), std::string::npos) << e.description;
    EXPECT_NE(e.description.find("Merxa.Parameter.Delete"), std::string::npos);
  }
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM CUSTOMERSETTING"), 1);
}

// A partner id that is no number is ours to refuse, before a statement could make the two
// databases answer differently.
TEST_F(ManagerTest, APartnerIdThatIsNoNumberIsRefusedAlikeOnBothDatabases) {
  addSetting(1002, "CUST", "CCUST");
  for (const char* id : {"", "abc", "1002 OR 1=1", "12.5", "99999999999"}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(errNumberOf([&] { manager.GetCustomerSettingData(id); }), merxa::InvalidCustomer);
    EXPECT_EQ(errNumberOf([&] { manager.GetDefaultOrderType(id, 1, 0); }), merxa::InvalidCustomer);
    EXPECT_EQ(errNumberOf([&] { manager.Delete("CUSTOMER", list({"BUSINESSPARTNERID"}), list({id})); }),
              merxa::InvalidCustomer);
  }
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM CUSTOMERSETTING"), 1);
  EXPECT_EQ(manager.GetCustomerSettingData(" 1002 ")->RecordCount(), 1);
}

TEST_F(ManagerTest, OrderProcessParametersReadAsTextAndEmptyWhenNotFilledIn) {
  manager.Create("ORDEREXPORTFILE", list({"KIROID", "EXPORTMESSAGETYPE"}), list({7, "2"}));
  // Late-bound, as a page asks: the value comes back through the by-reference argument.
  auto object = platform::createObject("Merxa.Manager");
  platform::Args args{Variant(7), Variant("EXPORTMESSAGETYPE")};
  object->invoke("GetKiroOrderProcessParam", platform::CallKind::Method, args);
  EXPECT_EQ(args[1].toString(), "2");

  std::string property = "SALESORDERTYPE";  // Null for instance 7
  manager.GetKiroOrderProcessParam(7, property);
  EXPECT_EQ(property, "");
  property = "EXPORTMESSAGETYPE";
  manager.GetKiroOrderProcessParam(99, property);
  EXPECT_EQ(property, "");

  for (const char* name : {"EXPORTMESSAGETYPE FROM ORDEREXPORTFILE; DELETE FROM ORDEREXPORTFILE --", "*", ""}) {
    property = name;
    EXPECT_EQ(errNumberOf([&] { manager.GetKiroOrderProcessParam(1, property); }), platform::vb::InvalidProcedureCall)
        << name;
  }
  EXPECT_EQ(countOf("SELECT COUNT(*) FROM ORDEREXPORTFILE"), 2);
}

TEST_F(ManagerTest, DefaultOrderTypesFallBackFromCustomerToInstanceToParameter) {
  addSetting(1002, "CUST", "CCUST");
  manager.Create("CUSTOMERSETTING", list({"BUSINESSPARTNERID", "CCORDERTYPE"}), list({1003, ""}));
  manager.Create("ORDEREXPORTFILE", list({"KIROID"}), list({7}));  // no order types
  struct Case {
    const char* partner;
    int32_t instance;
    int32_t kind;
    const char* expected;
  };
  const Case cases[] = {
      {"1002", 1, 0, "CUST"},  // the customer's own
      {"1002", 1, merxa::CreditCardOrder, "CCUST"},
      {"1001", 1, 0, "SO"},    // no customer row: the instance's
      {"1001", 1, merxa::CreditCardOrder, "CCSO"},
      {"1003", 1, 0, "SO"},    // customer values not filled in
      {"1003", 1, merxa::CreditCardOrder, "CCSO"},
      {"1001", 7, 0, ""},      // instance values not filled in: ordinary orders have no further default
      {"1001", 7, merxa::CreditCardOrder, "CC"},  // the sales parameter
      {"1001", 99, merxa::CreditCardOrder, "CC"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(manager.GetDefaultOrderType(c.partner, c.instance, c.kind), c.expected)
        << c.partner << " " << c.instance << " " << c.kind;
}

}  // namespace
