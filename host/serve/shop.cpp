#include "host/serve/shop.h"

#include "host/commands.h"
#include "host/xslt/transform.h"
#include "platform/dictionary.h"
#include "platform/registry.h"

namespace host::serve {

using platform::Variant;

namespace {

class Shop : public platform::Object {
 public:
  explicit Shop(std::string configDir) : configDir_(std::move(configDir)) {}

  const platform::DispatchTable& dispatch() const override {
    static const platform::DispatchTable table = platform::Members<Shop>("Merxa.Shop")
                                                     .method("SignIn", &Shop::SignIn)
                                                     .method("OrderForm", &Shop::OrderForm);
    return table;
  }

  Variant SignIn(const std::string& userId) {
    const std::string site = configDir_ + "/siteconfiguration.xml";
    platform::ObjectPtr config = platform::createObject("Corvane.Configuration");
    config->call("LoadConfigFile", {Variant(site)});
    std::string account = config->call("GetValue", {Variant("MEMBERSHIP"), Variant("MemScriptUser")}).toString();
    const std::string code = config->call("GetValue", {Variant("MEMBERSHIP"), Variant("MemScriptCode")}).toString();
    const std::string root = config->call("GetValue", {Variant("MEMBERSHIP"), Variant("LDAPRoot")}).toString();
    if (!platform::trimBlanks(root).empty()) account += "," + root;
    platform::ObjectPtr members = platform::createObject("CorvoMembership.Members");
    members->call("Initialize", {Variant(site)});
    members->call("Authenticate", {Variant(account), Variant(code)});
    platform::ObjectPtr user = members->call("GetUser", {Variant(userId)}).toObject();
    auto details = platform::makeObject<platform::Dictionary>();
    for (const char* name : {"UserID", "BusinessPartnerID", "FullName", "EmailAddress", "LocaleID"})
      details->Add(Variant(platform::upperCase(name)), user->call(name));
    return Variant(details);
  }

  std::string OrderForm(const Variant& document) {
    platform::ObjectPtr basket = platform::createObject("Merxa.Basket");
    try {
      return xslt::transform(basketXml(basket, document, ""), xslt::examplesFolder() + "/basket.xsl");
    } catch (const xslt::TransformError& e) {
      throw platform::ComError(platform::E_FAIL_, "Merxa.Shop.OrderForm", e.what());
    }
  }

 private:
  std::string configDir_;
};

}  // namespace

void registerShop(const std::string& configDir) {
  platform::registerClass("Merxa.Shop", "{9C4E2B61-5A3F-4D8E-B7C1-2F6A9D0E3B47}",
                          [configDir] { return platform::makeObject<Shop>(configDir); });
}

}  // namespace host::serve
