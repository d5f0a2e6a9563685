// Lookups ("Merxalink.Lookups"): the acknowledgement, shipping notice and invoice of a sales
// order, read from the ERP's show-sales-order component and written as XML for the pages.
//
// Each document is the order's data, element by element in a fixed order and only for the
// values the ERP reports as present, followed by a block of captions in the user's locale.
// Values the ERP hands over as identifiers, dates, amounts and texts are written as they come;
// names and addresses are escaped. An order the ERP answers with an error document is no
// failure: the Show operation returns False with the error's row number in i_sErrInfo.
//
// ShowSOACKDetails lets a failure reach the caller; ShowSOASNDetails and ShowSOINVDetails
// never raise (False, the XML empty, or the description of an E_FAIL failure; any other
// failure is logged).
#pragma once

#include <string>

#include "platform/object.h"

namespace merxalink {

using platform::ObjectPtr;
using platform::Variant;

class Lookups : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  // "ACK", "ASN" or "INV" (letter case as written): the document's XML, or "" when the Show
  // operation answered False or the type is another.
  std::string GetXML(const std::string& i_sKiroID, const std::string& i_sOrderNumber, const std::string& i_sLookupType,
                     const ObjectPtr& ioMessageManager, const std::string& iUserLocale, Variant& i_sErrInfo);
  bool ShowSOACKDetails(const std::string& i_sKiroID, const std::string& i_sOrderNumber, Variant& o_vOrderXml,
                        const ObjectPtr& ioMessageManager, const std::string& iUserLocale, Variant& i_sErrInfo);
  bool ShowSOASNDetails(const std::string& i_sKiroID, const std::string& i_sOrderNumber, Variant& o_vOrderXml,
                        const ObjectPtr& ioMessageManager, const std::string& iUserLocale, Variant& i_sErrInfo);
  bool ShowSOINVDetails(const std::string& i_sKiroID, const std::string& i_sOrderNumber, Variant& o_vOrderXml,
                        const ObjectPtr& ioMessageManager, const std::string& iUserLocale, Variant& i_sErrInfo);

  // Kept for the pages; the class itself does not use it.
  std::string XSLT_PATH() const { return xsltPath_; }
  void SetXSLT_PATH(const std::string& path) { xsltPath_ = path; }

  enum class Document { Acknowledgement, ShippingNotice, Invoice };

 private:
  bool show(Document document, const std::string& kiroId, const std::string& orderNumber, Variant& xml,
            const ObjectPtr& messageManager, const std::string& locale, Variant& errInfo);
  // The instance's component identifier; the instance's Tovo type code lands in tovoType_.
  std::string lookUpInstance(const std::string& kiroId);

  std::string xsltPath_;
  std::string tovoType_;
};

}  // namespace merxalink
