#include "requests/host_request.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "automation/text.h"

namespace host {
namespace {

using automation::Value;
using automation::VarType;

TEST(HostRequest, JsonLiteralsTakeTheTypesAScriptWouldPass) {
  const auto request = parseRequestJson(R"({
    "method": "PrintGENERICLabels",
    "arguments": {"printername": "LW", "LabelCopies": 2, "Line1": 70000, "Line2": 1.5, "Line3": true,
                  "Line4": null, "DisplayProperties": {"type": "Missing"}, "DisplayDebugger": {"type": "I4", "value": 7}}
  })");
  EXPECT_EQ(request.method, Method::PrintGENERICLabels);
  const auto list = argumentList(request);
  ASSERT_EQ(list.size(), 9u);
  EXPECT_TRUE(list[0].identical(Value::string(u"LW")));
  EXPECT_TRUE(list[1].identical(Value::i2(2)));
  EXPECT_TRUE(list[2].identical(Value::i4(70000)));
  EXPECT_TRUE(list[3].identical(Value::r8(1.5)));
  EXPECT_TRUE(list[4].identical(Value::boolean(true)));
  EXPECT_TRUE(list[5].isNull());
  EXPECT_TRUE(list[6].isEmpty());  // not given
  EXPECT_TRUE(list[7].identical(Value::missing()));
  EXPECT_TRUE(list[8].identical(Value::i4(7)));
}

TEST(HostRequest, FlagsArePassedAsStrings) {
  HostRequest request;
  setArgument(request, "labelcopies", "3");
  setArgument(request, "ClientType", "HOSPITAL");
  const auto list = argumentList(request);
  ASSERT_EQ(list.size(), 21u);
  EXPECT_TRUE(list[3].identical(Value::string(u"3")));
  EXPECT_TRUE(list[0].identical(Value::string(u"HOSPITAL")));
}

TEST(HostRequest, RefusesWhatNoHostCouldSend) {
  for (const char* bad : {"[]", "{\"method\": \"Print\"}", "{\"arguments\": {\"Line1\": \"x\"}}", "not json",
                          "{\"arguments\": {\"ClientType\": {\"type\": \"Blob\"}}}",
                          "{\"arguments\": {\"ClientType\": [1, 2]}}"})
    EXPECT_THROW(parseRequestJson(bad), RequestError) << bad;
  HostRequest request;
  EXPECT_THROW(setArgument(request, "Line1", "x"), RequestError);
}

TEST(HostRequest, AnArgumentsObjectAloneTakesTheSameTypesAndNamesTheBadMember) {
  const auto request = requestFromArguments(Method::PrintLabels, nlohmann::json::parse(R"({"labelcopies": 2})"));
  EXPECT_TRUE(request.arguments.at("LabelCopies").identical(Value::i2(2)));
  try {
    requestFromArguments(Method::PrintLabels, nlohmann::json::parse(R"({"PatientName": {"type": "I2", "value": "x"}})"));
    FAIL();
  } catch (const RequestError& error) {
    EXPECT_EQ(std::string(error.what()).rfind("PatientName: ", 0), 0u) << error.what();
  }
  EXPECT_THROW(requestFromArguments(Method::PrintGENERICLabels, nlohmann::json::array()), RequestError);
}

}  // namespace
}  // namespace host
