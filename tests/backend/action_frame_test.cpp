// The action frame and the three actions on fake ERP components: what is created and
// initialised, what is logged, what reaches the caller.
#include <gtest/gtest.h>

#include "backend/allocate.h"
#include "backend/backend.h"
#include "backend/order.h"
#include "backend/price_tax.h"
#include "backend/tovo.h"
#include "platform/registry.h"
#include "tests/backend/fake_component.h"
#include "tests/enterprise/error_of.h"
#include "tests/support/sales_fixture.h"

namespace backendtest {

// ---- the fake ------------------------------------------------------------------------------

const platform::DispatchTable& FakeAnswer::dispatch() const {
  // Every member of the three answers, each reading the value the test put in.
  static const platform::DispatchTable table = [] {
    platform::DispatchTable t("FakeAnswer");
    for (const char* name : {"GetErrorCode", "getUnitPrice", "getDiscountPercentage", "getTotDiscountAmount",
                             "getTaxAmount", "getTaxPercentage", "getTaxCode", "getTaxType", "getTaxCodeDescription",
                             "getCalculateTax", "GetErrorNumber", "GetSuccess", "GetReasonCode"}) {
      t.add(name).call = [name = std::string(name)](platform::Object& o, platform::Args&) {
        return static_cast<FakeAnswer&>(o).value(name);
      };
    }
    return t;
  }();
  return table;
}

Variant FakeAnswer::value(const std::string& member) const {
  const auto found = log_->answer.find(member);
  return found == log_->answer.end() ? Variant(0) : found->second;
}

const platform::DispatchTable& FakeManager::dispatch() const {
  static const platform::DispatchTable table = platform::Members<FakeManager>("FakeManager")
                                                   .method("Initialize", &FakeManager::Initialize)
                                                   .method("Close", &FakeManager::Close)
                                                   .method("GetPriceAndOrTax", &FakeManager::GetPriceAndOrTax)
                                                   .method("Allocate", &FakeManager::Allocate)
                                                   .method("UpdateOrderStatus", &FakeManager::UpdateOrderStatus);
  return table;
}

void FakeManager::Initialize(const std::string& componentId) {
  log_->calls.push_back("Initialize " + componentId);
  if (log_->failInitialize) platform::raiseError(static_cast<int32_t>(0x80041234), "Fake", "no such component");
}

void FakeManager::Close() { log_->calls.push_back("Close"); }

platform::ObjectPtr FakeManager::answer(const std::string& call) {
  log_->calls.push_back(call);
  if (log_->failAction) platform::raiseError(static_cast<int32_t>(0x80041235), "Fake", "the ERP is down");
  return platform::makeObject<FakeAnswer>(log_);
}

platform::ObjectPtr FakeManager::GetPriceAndOrTax(Variant& option, Variant& customer, Variant& part, Variant&,
                                                  Variant&, Variant& lineQuantity, Variant&, Variant&, Variant&,
                                                  Variant&, Variant&, Variant&, Variant&) {
  return answer("GetPriceAndOrTax " + option.toString() + " " + customer.toString() + " " + part.toString() + " " +
                lineQuantity.toString());
}

platform::ObjectPtr FakeManager::Allocate(Variant& order, Variant& line) {
  return answer("Allocate " + order.toString() + " " + line.toString());
}

platform::ObjectPtr FakeManager::UpdateOrderStatus(Variant& order, Variant& line, Variant& step, Variant& freight) {
  return answer("UpdateOrderStatus " + order.toString() + " " + line.toString() + " " + step.toString() + " " +
                freight.toString());
}

FakeComponents::FakeComponents() {
  for (const char* prefix : {"Q40cMXLStdsls", "Q50cMXLStdsls"}) {
    for (const char* component : {"GetPriceAndTax.PriceTaxManager", "InventoryAllocate.AllocateManager",
                                  "UpdateOrderStatus.OrderStatusManager"}) {
      const std::string progId = std::string(prefix) + component;
      overrides_.push_back(std::make_unique<platform::ScopedOverride>(progId, [progId, log = log] {
        log->created.push_back(progId);
        return platform::makeObject<FakeManager>(log);
      }));
    }
  }
}

namespace {

using enterprisetest::errorOf;
using platform::ComError;

class ActionFrame : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::ensureEnvironment(); }

  // The outputs of one GetPriceAndOrTax call, in the order of the arguments.
  struct PriceTaxOutputs {
    Variant unitPrice{Variant("x")}, discountPerc{Variant("x")}, discountAmount{Variant("x")}, taxAmount{Variant("x")},
        taxPerc{Variant("x")}, taxCode{Variant(1)}, taxType{Variant("x")}, taxCodeDescription{Variant(1)},
        calculateTax{Variant("x")}, errorCode{Variant(1)};
  };
  void askPriceTax(merxalink::PriceTax& action, int32_t option, int32_t lineQuantity, PriceTaxOutputs& o) {
    action.GetPriceAndOrTax(option, "C1001", "BOLT-M8-50", "EUR", "12/24/2026", lineQuantity, 10, "BOX", "AC0101",
                            "AC0102", "NL", 100.0, 0.0, o.unitPrice, o.discountPerc, o.discountAmount, o.taxAmount,
                            o.taxPerc, o.taxCode, o.taxType, o.taxCodeDescription, o.calculateTax, o.errorCode);
  }

  FakeComponents fakes;
  testsupport::LogCapture log;
};

TEST_F(ActionFrame, EachActionCreatesItsReleasesComponentAndInitialisesIt) {
  merxalink::PriceTax priceTax;
  merxalink::Allocate allocate;
  merxalink::Order order;
  Variant priceTaxError = Variant("unset");
  int32_t allocateError = -1, orderError = -1;
  priceTax.InitializeAction("tv4", "C1", priceTaxError);
  allocate.InitializeAction("tv5", "C1", allocateError);
  order.InitializeAction("tv5", "C2", orderError);

  EXPECT_EQ(fakes.log->created, (std::vector<std::string>{"Q40cMXLStdslsGetPriceAndTax.PriceTaxManager",
                                                          "Q50cMXLStdslsInventoryAllocate.AllocateManager",
                                                          "Q50cMXLStdslsUpdateOrderStatus.OrderStatusManager"}));
  EXPECT_EQ(fakes.log->calls, (std::vector<std::string>{"Initialize C1", "Initialize C1", "Initialize C2"}));
  EXPECT_EQ(priceTaxError.type(), platform::VarType::Integer);  // PriceTax reports 0 as a 16-bit integer
  EXPECT_EQ(priceTaxError.toLong(), 0);
  EXPECT_EQ(allocateError, 0);
  EXPECT_EQ(orderError, 0);
  EXPECT_TRUE(log.entries().empty());
}

TEST_F(ActionFrame, AnUnsupportedTypeCodeIsLoggedOnceAndReportedNotRaised) {
  merxalink::Allocate allocate;
  int32_t error = 0;
  allocate.InitializeAction("tv6", "C1", error);
  EXPECT_EQ(error, merxalink::UnsupportedTovoType);
  EXPECT_TRUE(fakes.log->created.empty());
  ASSERT_EQ(log.entries().size(), 1u);
  const auto entry = log.entries()[0];
  EXPECT_EQ(entry.level, 0);
  EXPECT_EQ(entry.source, "Merxalink.Allocate.InitializeAction");
  EXPECT_NE(entry.message.find("METHOD: Allocate.InitializeAction"), std::string::npos);
  EXPECT_NE(entry.message.find("DESC: Connection to Tovo type tv6 not supported."), std::string::npos);
  EXPECT_NE(entry.message.find("INFO: Tovo Type: tv6, BusComponent: C1."), std::string::npos);

  // The code is compared as given; only the message trims it.
  merxalink::PriceTax priceTax;
  Variant priceTaxError;
  priceTax.InitializeAction(" tv5", "C1", priceTaxError);
  EXPECT_EQ(priceTaxError.type(), platform::VarType::Long);
  EXPECT_EQ(priceTaxError.toLong(), merxalink::UnsupportedTovoType);
  EXPECT_NE(log.entries()[1].message.find("Connection to Tovo type tv5 not supported"), std::string::npos);
  EXPECT_NE(log.entries()[1].message.find("INFO: Tovo Type:  tv5, BusComponent: C1."), std::string::npos);
}

TEST_F(ActionFrame, AComponentThatCannotBeCreatedOrInitialisedIsReportedByItsNumber) {
  fakes.log->failInitialize = true;
  merxalink::Order order;
  int32_t error = 0;
  order.InitializeAction("tv4", "C9", error);
  EXPECT_EQ(error, static_cast<int32_t>(0x80041234));
  ASSERT_EQ(log.entries().size(), 1u);
  EXPECT_NE(log.entries()[0].message.find("METHOD: OrderStatus.InitializeAction"), std::string::npos);
  EXPECT_NE(log.entries()[0].message.find("INFO: Tovo Type: tv4, BusComponent: C9."), std::string::npos);

  // Not registered at all: the platform's 429, as VB code reads it.
  platform::ScopedOverride gone("Q40cMXLStdslsUpdateOrderStatus.OrderStatusManager", [] {
    platform::raiseVb(platform::vb::CantCreateObject);
    return platform::ObjectPtr();
  });
  order.InitializeAction("tv4", "C9", error);
  EXPECT_EQ(error, platform::vb::CantCreateObject);
}

TEST_F(ActionFrame, AnotherInitializeActionClosesTheComponentItReplaces) {
  merxalink::Allocate allocate;
  int32_t error = 0;
  allocate.InitializeAction("tv5", "C1", error);
  allocate.InitializeAction("tv4", "C2", error);
  EXPECT_EQ(fakes.log->calls, (std::vector<std::string>{"Initialize C1", "Close", "Initialize C2"}));

  // A failed one leaves no component behind: the action raises instead of asking the old one.
  allocate.InitializeAction("tv6", "C3", error);
  EXPECT_EQ(fakes.log->calls.back(), "Close");
  Variant number;
  EXPECT_EQ(errorOf([&] { allocate.AllocateLine("S1", 2, number); }).errNumber(), platform::vb::ObjectNotSet);
}

TEST_F(ActionFrame, CloseActionRaisesWithoutAComponentAndClosesOne) {
  merxalink::PriceTax priceTax;
  const ComError e = errorOf([&] { priceTax.CloseAction(); });
  EXPECT_EQ(e.errNumber(), platform::vb::ObjectNotSet);
  EXPECT_NE(e.description.find("METHOD: PriceTax.CloseAction"), std::string::npos);
  EXPECT_EQ(e.description.find("INFO:"), std::string::npos);

  Variant error;
  priceTax.InitializeAction("tv5", "C1", error);
  priceTax.CloseAction();
  EXPECT_EQ(fakes.log->calls.back(), "Close");
}

TEST_F(ActionFrame, PriceAndDiscountPerUnit) {
  merxalink::PriceTax priceTax;
  Variant error;
  priceTax.InitializeAction("tv5", "C1", error);
  fakes.log->answer = {{"GetErrorCode", Variant(" ")},  // a blank is no error
                       {"getUnitPrice", Variant(12.5)},
                       {"getDiscountPercentage", Variant(8.0)},
                       {"getTotDiscountAmount", Variant(30.0)},
                       {"getTaxAmount", Variant(21.0)},
                       {"getTaxCode", Variant("NL21")}};
  PriceTaxOutputs o;
  askPriceTax(priceTax, 1, 3, o);
  EXPECT_EQ(fakes.log->calls.back(), "GetPriceAndOrTax 1 C1001 BOLT-M8-50 3");
  EXPECT_DOUBLE_EQ(o.unitPrice.toDouble(), 12.5);
  EXPECT_DOUBLE_EQ(o.discountPerc.toDouble(), 8.0);
  EXPECT_DOUBLE_EQ(o.discountAmount.toDouble(), 10.0);
  // The tax outputs keep their initial values.
  EXPECT_EQ(o.taxAmount.type(), platform::VarType::Integer);
  EXPECT_EQ(o.taxAmount.toLong(), 0);
  EXPECT_EQ(o.taxCode.toString(), "");
  EXPECT_EQ(o.errorCode.toString(), " ");
}

TEST_F(ActionFrame, TaxLeavesThePriceAndAnOtherOptionLeavesEverything) {
  merxalink::PriceTax priceTax;
  Variant error;
  priceTax.InitializeAction("tv5", "C1", error);
  fakes.log->answer = {{"GetErrorCode", Variant("")},       {"getUnitPrice", Variant(12.5)},
                       {"getTaxAmount", Variant(21.0)},     {"getTaxPercentage", Variant(21.0)},
                       {"getTaxCode", Variant("NL21")},     {"getTaxType", Variant(1)},
                       {"getTaxCodeDescription", Variant("VAT")}, {"getCalculateTax", Variant(1)}};
  PriceTaxOutputs tax;
  askPriceTax(priceTax, 2, 3, tax);
  EXPECT_DOUBLE_EQ(tax.taxAmount.toDouble(), 21.0);
  EXPECT_DOUBLE_EQ(tax.taxPerc.toDouble(), 21.0);
  EXPECT_EQ(tax.taxCode.toString(), "NL21");
  EXPECT_EQ(tax.taxCodeDescription.toString(), "VAT");
  EXPECT_EQ(tax.taxType.toLong(), 1);
  EXPECT_EQ(tax.calculateTax.type(), platform::VarType::Integer);
  EXPECT_EQ(tax.unitPrice.toLong(), 0);

  PriceTaxOutputs other;
  askPriceTax(priceTax, 3, 3, other);
  for (const Variant* zero : {&other.unitPrice, &other.discountPerc, &other.discountAmount, &other.taxAmount,
                              &other.taxPerc, &other.taxType, &other.calculateTax}) {
    EXPECT_EQ(zero->type(), platform::VarType::Integer);
    EXPECT_EQ(zero->toLong(), 0);
  }
  for (const Variant* blank : {&other.taxCode, &other.taxCodeDescription, &other.errorCode})
    EXPECT_EQ(blank->toString(), "");
}

TEST_F(ActionFrame, AnErpErrorCodeComesBackWithTheInitialValues) {
  merxalink::PriceTax priceTax;
  Variant error;
  priceTax.InitializeAction("tv5", "C1", error);
  fakes.log->answer = {{"GetErrorCode", Variant("UNKNOWN-ITEM")}, {"getUnitPrice", Variant(12.5)}};
  PriceTaxOutputs o;
  askPriceTax(priceTax, 1, 3, o);
  EXPECT_EQ(o.errorCode.toString(), "UNKNOWN-ITEM");
  EXPECT_EQ(o.unitPrice.toLong(), 0);
  EXPECT_TRUE(log.entries().empty());
}

TEST_F(ActionFrame, FailuresRaiseAndKeepTheOutputsAlreadySet) {
  merxalink::PriceTax priceTax;
  PriceTaxOutputs before;
  ComError e = errorOf([&] { askPriceTax(priceTax, 1, 3, before); });  // before InitializeAction
  EXPECT_EQ(e.errNumber(), platform::vb::ObjectNotSet);
  EXPECT_NE(e.description.find("METHOD: PriceTax.GetPriceAndOrTax"), std::string::npos);
  EXPECT_EQ(before.unitPrice.toLong(), 0);  // set before the ERP was asked

  Variant error;
  priceTax.InitializeAction("tv5", "C1", error);
  fakes.log->answer = {{"GetErrorCode", Variant("")}, {"getUnitPrice", Variant(12.5)}};
  PriceTaxOutputs o;
  e = errorOf([&] { askPriceTax(priceTax, 1, 0, o); });  // a discount per unit of no units
  EXPECT_EQ(e.errNumber(), platform::vb::DivisionByZero);
  EXPECT_DOUBLE_EQ(o.unitPrice.toDouble(), 12.5);

  fakes.log->answer = {{"GetErrorCode", Variant("")}, {"getUnitPrice", Variant("twelve")}};
  EXPECT_EQ(errorOf([&] { askPriceTax(priceTax, 1, 3, o); }).errNumber(), platform::vb::TypeMismatch);
}

TEST_F(ActionFrame, AllocationAndStatusReportTheErpsAnswerAndRaiseWithTheirInputs) {
  merxalink::Allocate allocate;
  merxalink::Order order;
  int32_t error = 0;
  allocate.InitializeAction("tv5", "C1", error);
  fakes.log->answer = {{"GetErrorNumber", Variant(2)}, {"GetSuccess", Variant(1)}, {"GetReasonCode", Variant(7)}};
  Variant number(99);
  allocate.AllocateLine("S1", 2, number);
  EXPECT_EQ(fakes.log->calls.back(), "Allocate S1 2");
  EXPECT_EQ(number.toLong(), 2);

  fakes.log->failAction = true;
  ComError e = errorOf([&] { allocate.AllocateLine("S1", 2, number); });
  EXPECT_EQ(e.number, static_cast<int32_t>(0x80041235));
  EXPECT_NE(e.description.find("METHOD: Allocate.Allocate"), std::string::npos);
  EXPECT_NE(e.description.find("INFO: SalesOrder:S1 ,Line: 2."), std::string::npos);
  EXPECT_EQ(number.toLong(), 0);

  Variant success(5), reason(5);
  e = errorOf([&] { order.UpdateOrderStatus("S1", 2, 30, 1, success, reason); });  // before InitializeAction
  EXPECT_NE(e.description.find("METHOD: OrderStatus.UpdateOrderStatus"), std::string::npos);
  EXPECT_NE(e.description.find("INFO: SalesOrder: S1, Line: 2, Billing Step Number: 30, Use Freight: 1."),
            std::string::npos);
  EXPECT_EQ(success.toLong(), 0);
  EXPECT_EQ(reason.toLong(), 0);

  fakes.log->failAction = false;
  order.InitializeAction("tv4", "C1", error);
  order.UpdateOrderStatus("S1", 2, 30, 1, success, reason);
  EXPECT_EQ(fakes.log->calls.back(), "UpdateOrderStatus S1 2 30 1");
  EXPECT_EQ(success.toLong(), 1);
  EXPECT_EQ(reason.toLong(), 7);
}

TEST(Backend, VersionInfoOfEachReleaseAndNoneOfOtherCodes) {
  testsupport::ensureEnvironment();
  testsupport::LogCapture log;
  // Created the way callers create it, from the registration file.
  platform::ObjectPtr backend = platform::createObject("Merxalink.Backend");
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
      {"tv4", {"Tesk4", "c", "4", "", ""}}, {"tv5", {"Tesk5", "c", "0", "", ""}}};
  for (const auto& [code, expected] : cases) {
    platform::Args args{Variant(code), Variant(), Variant(), Variant(), Variant(), Variant(1)};
    backend->invoke("VersionInfo", platform::CallKind::Method, args);
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(args[i + 1].type(), platform::VarType::String) << code << " output " << i;
      EXPECT_EQ(args[i + 1].toString(), expected[i]) << code << " output " << i;
    }
  }
  platform::Args args{Variant("TV4"), Variant("v"), Variant("r"), Variant("s"), Variant("c"), Variant("e")};
  const ComError e = errorOf([&] { backend->invoke("VersionInfo", platform::CallKind::Method, args); });
  EXPECT_EQ(e.number, merxalink::UnsupportedTovoType);
  EXPECT_EQ(e.source, "Merxalink.Backend.VersionInfo");
  EXPECT_NE(e.description.find("Connection to Tovo type TV4 not supported"), std::string::npos);
  EXPECT_EQ(args[1].toString(), "v");
  EXPECT_EQ(args[5].toString(), "e");
  EXPECT_EQ(log.count(0), 1u);
}

}  // namespace
}  // namespace backendtest
