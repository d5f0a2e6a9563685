// The actions through the frame against the ERP stand-in itself, on the installation's own
// ERP database (embedded, or the server of MERXA_TEST_CONNECTION), and the backend selector
// that names the instances.
#include <gtest/gtest.h>

#include <thread>

#include "backend/allocate.h"
#include "backend/order.h"
#include "backend/price_tax.h"
#include "platform/dictionary.h"
#include "platform/registry.h"
#include "tests/enterprise/error_of.h"
#include "tests/backend/erp_support.h"
#include "tests/support/sales_fixture.h"

namespace {

using enterprisetest::errorOf;
using platform::Variant;
using backendtest::erpValue;

constexpr const char* kComponent = "MXL-NL01";  // instance 1 of the demo data, release 5.0c


double stockOf(const std::string& item) {
  return erpValue("SELECT QUANTITY FROM STOCK WHERE ITEMCODE = '" + item + "' AND WAREHOUSE = 'RTM'").toDouble();
}

class ErpActions : public testsupport::ErpTest {
 protected:
  struct Answer {
    Variant unitPrice, discountPerc, discountAmount, taxAmount, taxPerc, taxCode, taxType, taxDescription,
        calculateTax, errorCode;
  };

  // Option 1 or 2 for one line, as a quotation asks it (no country or addresses unless given).
  Answer ask(int32_t option, const std::string& customer, const std::string& item, int32_t quantity,
             const std::string& date = "12/24/2026", const std::string& shipTo = "", const std::string& country = "",
             double lineAmount = 0) {
    Answer a;
    priceTax.GetPriceAndOrTax(option, customer, item, "", date, quantity, quantity, "", "", shipTo, country,
                              lineAmount, 0, a.unitPrice, a.discountPerc, a.discountAmount, a.taxAmount, a.taxPerc,
                              a.taxCode, a.taxType, a.taxDescription, a.calculateTax, a.errorCode);
    return a;
  }

  void SetUp() override {
    ErpTest::SetUp();
    Variant error;
    priceTax.InitializeAction("tv5", kComponent, error);
    ASSERT_EQ(error.toLong(), 0);
    int32_t number = 0;
    allocate.InitializeAction("tv5", kComponent, number);
    ASSERT_EQ(number, 0);
    order.InitializeAction("tv4", "MXL-UK02", number);
    ASSERT_EQ(number, 0);
  }

  merxalink::PriceTax priceTax;
  merxalink::Allocate allocate;
  merxalink::Order order;
};

TEST_F(ErpActions, PricesComeFromAgreedPricesElseThePriceListOnTheDate) {
  // Acme's agreed bolt price with its 10 %; the 5.0c item code carries a blank project segment.
  Answer a = ask(1, "C1001", "BOLT-M8-50         ", 4);
  EXPECT_EQ(a.errorCode.toString(), "");
  EXPECT_DOUBLE_EQ(a.unitPrice.toDouble(), 11.5);
  EXPECT_DOUBLE_EQ(a.discountPerc.toDouble(), 10.0);
  EXPECT_DOUBLE_EQ(a.discountAmount.toDouble(), 1.15);
  EXPECT_EQ(a.taxCode.toString(), "");  // option 1 leaves the tax alone

  // An agreed price without a discount of its own takes the customer's standard 5 %.
  a = ask(1, "C1001", "NUT-M8", 10);
  EXPECT_DOUBLE_EQ(a.unitPrice.toDouble(), 3.4);
  EXPECT_DOUBLE_EQ(a.discountPerc.toDouble(), 5.0);
  EXPECT_DOUBLE_EQ(a.discountAmount.toDouble(), 0.17);

  // Before the agreement started: the list price of that time.
  a = ask(1, "C1001", "BOLT-M8-50", 2, "20250601");
  EXPECT_DOUBLE_EQ(a.unitPrice.toDouble(), 11.8);
  // Another customer's list and currency.
  a = ask(1, "C1002", "BOLT-M8-50", 1);
  EXPECT_DOUBLE_EQ(a.unitPrice.toDouble(), 10.2);
  EXPECT_DOUBLE_EQ(a.discountAmount.toDouble(), 0.0);
}

TEST_F(ErpActions, TaxFollowsTheCountryTheGoodsGoTo) {
  Answer a = ask(2, "C1001", "BOLT-M8-50", 4, "", "", "", 200);
  EXPECT_EQ(a.errorCode.toString(), "");
  EXPECT_EQ(a.taxCode.toString(), "NL21");
  EXPECT_DOUBLE_EQ(a.taxPerc.toDouble(), 21.0);
  EXPECT_DOUBLE_EQ(a.taxAmount.toDouble(), 42.0);
  EXPECT_EQ(a.taxType.toLong(), 1);
  EXPECT_EQ(a.calculateTax.toLong(), 1);
  EXPECT_EQ(a.unitPrice.toLong(), 0);  // option 2 leaves the price alone

  EXPECT_EQ(ask(2, "C1001", "BOLT-M8-50", 4, "", "AC0103", "", 100).taxCode.toString(), "DE19");
  EXPECT_EQ(ask(2, "C1001", "BOLT-M8-50", 4, "", "AC0103", "GB", 100).taxCode.toString(), "GB20");
  a = ask(2, "C1003", "WASHER-M8", 4, "", "", "", 100);  // exempt customer abroad
  EXPECT_EQ(a.taxCode.toString(), "EXP0");
  EXPECT_EQ(a.calculateTax.toLong(), 0);
  EXPECT_DOUBLE_EQ(a.taxAmount.toDouble(), 0.0);
}

TEST_F(ErpActions, WhatTheErpCannotAnswerComesBackAsItsErrorCode) {
  const std::vector<std::tuple<int32_t, std::string, std::string, std::string, std::string>> cases{
      {1, "C1001", "DRILL-18V", "", "UNKNOWN-ITEM"},
      {2, "C1001", "BOLT'M8", "", "UNKNOWN-ITEM"},  // a quote is part of the code, nothing more
      {2, "C9999", "BOLT-M8-50", "", "UNKNOWN-CUSTOMER"},
      {1, "C1003", "NUT-M8", "", "NO-PRICE"},
      {1, "C1001", "BOLT-M8-50", "not a date", "BAD-DATE"}};
  for (const auto& [option, customer, item, date, code] : cases) {
    const Answer a = ask(option, customer, item, 3, date);
    EXPECT_EQ(a.errorCode.toString(), code) << customer << " " << item;
    EXPECT_EQ(a.unitPrice.toLong(), 0);
    EXPECT_EQ(a.taxCode.toString(), "");
  }
}

TEST_F(ErpActions, AnUnknownComponentIsRefusedAndNothingWorksBeforeInitialize) {
  Variant error;
  priceTax.InitializeAction("tv5", "NOT-OURS", error);
  EXPECT_EQ(error.toLong(), static_cast<int32_t>(0x80041002));
  EXPECT_EQ(errorOf([&] { ask(1, "C1001", "BOLT-M8-50", 1); }).number, static_cast<int32_t>(0x80041001));

  platform::ObjectPtr manager = platform::createObject("Q40cMXLStdslsInventoryAllocate.AllocateManager");
  platform::Args args{Variant("100001"), Variant(10)};
  const platform::ComError e = errorOf([&] { manager->invoke("Allocate", platform::CallKind::Method, args); });
  EXPECT_EQ(e.source, "Q40cMXLStdslsInventoryAllocate.AllocateManager");
  EXPECT_NE(e.description.find("Initialize"), std::string::npos);
  EXPECT_EQ(errorOf([&] { manager->call("Close"); }).number, static_cast<int32_t>(0x80041001));
}

TEST_F(ErpActions, AllocationTakesTheStockOnceOrNotAtAll) {
  Variant number;
  allocate.AllocateLine("100001", 20, number);  // 1000 nuts, 200 in stock
  EXPECT_EQ(number.toLong(), 2);
  EXPECT_DOUBLE_EQ(stockOf("NUT-M8"), 200);
  EXPECT_DOUBLE_EQ(erpValue("SELECT ALLOCATEDQUANTITY FROM SALESORDERLINE WHERE POSITIONNUMBER = 20").toDouble(), 0);

  allocate.AllocateLine("100001", 10, number);  // 40 bolts of 500
  EXPECT_EQ(number.toLong(), 0);
  EXPECT_DOUBLE_EQ(stockOf("BOLT-M8-50"), 460);
  allocate.AllocateLine("100001", 10, number);  // allocated already: nothing more is taken
  EXPECT_EQ(number.toLong(), 0);
  EXPECT_DOUBLE_EQ(stockOf("BOLT-M8-50"), 460);

  allocate.AllocateLine("100001", 30, number);
  EXPECT_EQ(number.toLong(), 1);
  allocate.AllocateLine("100001' OR '1'='1", 10, number);
  EXPECT_EQ(number.toLong(), 1);
}

TEST_F(ErpActions, TwoAllocationsOfOneLineAtOnceTakeItsStockOnce) {
  std::vector<int32_t> numbers(2, -1);
  std::vector<std::thread> threads;
  for (int i = 0; i < 2; ++i) {
    threads.emplace_back([&numbers, i] {
      merxalink::Allocate own;
      int32_t error = 0;
      own.InitializeAction("tv5", kComponent, error);
      Variant number;
      try {
        own.AllocateLine("100001", 10, number);
        numbers[i] = number.toLong();
      } catch (const platform::ComError&) {
        numbers[i] = -2;  // a database too busy to wait: the line stays as the other left it
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_TRUE(numbers[0] == 0 || numbers[1] == 0);
  EXPECT_DOUBLE_EQ(stockOf("BOLT-M8-50"), 460);
}

TEST_F(ErpActions, BillingStepsOnlyMoveForward) {
  Variant success, reason;
  order.UpdateOrderStatus("100001", 10, 20, 0, success, reason);
  EXPECT_EQ(success.toLong(), 1);
  EXPECT_EQ(reason.toLong(), 0);
  EXPECT_EQ(erpValue("SELECT BILLINGSTEP FROM SALESORDERLINE WHERE POSITIONNUMBER = 10").toLong(), 20);

  const std::vector<std::tuple<int32_t, int32_t, int32_t>> refused{{10, 10, 3}, {10, 20, 3}, {10, 25, 2}, {30, 30, 1}};
  for (const auto& [line, step, expected] : refused) {
    order.UpdateOrderStatus("100001", line, step, 0, success, reason);
    EXPECT_EQ(success.toLong(), 0) << line << " " << step;
    EXPECT_EQ(reason.toLong(), expected) << line << " " << step;
  }
  EXPECT_EQ(erpValue("SELECT FREIGHTBILLED FROM SALESORDER WHERE SALESORDER = '100001'").toLong(), 0);
  order.UpdateOrderStatus("100001", 10, 30, 1, success, reason);
  EXPECT_EQ(success.toLong(), 1);
  EXPECT_EQ(erpValue("SELECT FREIGHTBILLED FROM SALESORDER WHERE SALESORDER = '100001'").toLong(), 1);
}

TEST_F(ErpActions, TheSelectorNamesEachInstancesReleaseAndSettings) {
  platform::ObjectPtr selector = platform::createObject("CorvoBackend.Selector");
  platform::ObjectPtr first = selector->call("GetInstance", {Variant(1)}).toObject();
  EXPECT_EQ(first->call("GetTovoType").toString(), "tv5");
  auto settings = first->call("GetSettings").as<platform::Dictionary>();
  EXPECT_EQ(settings->Item(Variant("componentid")).toString(), kComponent);
  EXPECT_EQ(settings->Item(Variant("alignment")).toString(), "left");
  EXPECT_EQ(settings->Item(Variant("itemsegmentationmask")).toString(), "*********");

  platform::ObjectPtr second = selector->call("GetInstance", {Variant(2)}).toObject();
  EXPECT_EQ(second->call("GetTovoType").toString(), "tv4");
  EXPECT_FALSE(second->call("GetSettings").as<platform::Dictionary>()->Exists(Variant("alignment")));

  platform::ObjectPtr unknown = selector->call("GetInstance", {Variant(7)}).toObject();
  EXPECT_EQ(unknown->call("GetTovoType").toString(), "");
  EXPECT_EQ(unknown->call("GetSettings").as<platform::Dictionary>()->Count(), 0);
}

}  // namespace
