// ERP instances ("CorvoBackend.Selector"): which ERP an instance number (the KIROID of orders
// and quotations) stands for, read from KIROINSTANCE and KIROINSTANCESETTING of the sales
// database.
//
//   Set instance = selector.GetInstance(kiroId)
//   componentId = instance.GetSettings()("componentid")
//   tovoType = instance.GetTovoType()        ' "tv4", "tv5"; callers lower-case it
//
// An instance number the table does not hold gives an instance with no settings and an empty
// type code, so callers report the missing component identifier in their own words.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dictionary.h"
#include "platform/object.h"

namespace enterprise {

class BackendInstance : public platform::Object {
 public:
  BackendInstance(int32_t kiroId, std::string tovoType, platform::DictionaryPtr settings)
      : kiroId_(kiroId), tovoType_(std::move(tovoType)), settings_(std::move(settings)) {}
  const platform::DispatchTable& dispatch() const override;

  int32_t GetKiroID() const { return kiroId_; }
  std::string GetTovoType() const { return tovoType_; }
  // The settings by key ("componentid", "alignment", "itemsegmentationmask", ...). Each call
  // hands out a dictionary of its own, which the caller may change or release.
  platform::DictionaryPtr GetSettings() const;

 private:
  int32_t kiroId_;
  std::string tovoType_;
  platform::DictionaryPtr settings_;
};

class BackendSelector : public platform::Object {
 public:
  const platform::DispatchTable& dispatch() const override;

  std::shared_ptr<BackendInstance> GetInstance(int32_t kiroId);
};

}  // namespace enterprise
