#pragma once
// A label engine double that journals every operation with its arguments' automation
// types, and fails where a test asks it to.

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "automation/value.h"

namespace testing_support {

// "VT_I2:360", "VT_BSTR:\"Info\"", "VT_BYREF|VT_VARIANT:VT_I2:3", "VT_DISPATCH:item:old1".
std::string describeValue(const automation::Value& value);
std::string describeArgument(const automation::Argument& argument);

struct EngineScript {
  std::set<std::u16string> knownStocks{u"Return Address", u"Return Address (30330)", u"Small 2-1/4 in x 1-1/4 in",
                                      u"Small 2-1/4 in x 1-1/4 in (30334)", u"Medium"};
  std::u16string startingStock = u"Return Address";
  int objectsAlreadyOnLabel = 0;
  bool failCreation = false;
  bool labelInfoRaises = false;
  // member name -> the occurrence (1-based, counted across all objects) that raises.
  std::map<std::u16string, int> failures;
};

class RecordingEngineFactory : public automation::ObjectFactory {
 public:
  explicit RecordingEngineFactory(EngineScript script = {});
  std::shared_ptr<automation::Object> create(std::u16string_view progId) override;

  EngineScript script;
  std::vector<std::string> journal;
  // Objects on the label of the last engine created, by name, in order.
  std::vector<std::u16string> labelObjects;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace testing_support
