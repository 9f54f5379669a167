// The recorded label description: its exact form, and reading it back.

#include <gtest/gtest.h>

#include "engine/description_json.h"

namespace {

engine::LabelDescription sampleLabel() {
  engine::LabelDescription label;
  label.stock = {"Return Address", 2880, 1080};
  engine::LabelObject info{"Info", 360, 18, 6000, 10000, 0, engine::TextContent{}};
  info.content = engine::TextContent{"Req 1\r\nAcct \"7\"\r\n", "Times New Roman, 8", "Times New Roman, 8", 0, -400,
                                     0, -200, false, false};
  engine::LabelObject code{"BC", 400, 600, 3000, 1000, 90, engine::BarcodeContent{}};
  code.content = engine::BarcodeContent{"S42-7", "Times New Roman, 8", 0, 2, 0, 0, 0};
  label.objects = {info, code};
  label.printer = "DYMO LabelWriter 450";
  label.port = "COM1:";
  label.copies = 3;
  return label;
}

TEST(DescriptionJsonTest, WritesEveryAttributeInAFixedOrder) {
  EXPECT_EQ(engine::toJson(sampleLabel()), R"({
  "version": 1,
  "stock": {
    "name": "Return Address",
    "width": 2880,
    "height": 1080
  },
  "objects": [
    {
      "name": "Info",
      "kind": "text",
      "left": 360,
      "top": 18,
      "width": 6000,
      "height": 10000,
      "rotation": 0,
      "text": "Req 1\r\nAcct \"7\"\r\n",
      "font1": "Times New Roman, 8",
      "font2": "Times New Roman, 8",
      "justify": 0,
      "vJustify": -400,
      "textColor": 0,
      "backgroundColor": -200,
      "mirrored": false,
      "vertical": false
    },
    {
      "name": "BC",
      "kind": "barcode",
      "left": 400,
      "top": 600,
      "width": 3000,
      "height": 1000,
      "rotation": 90,
      "text": "S42-7",
      "font": "Times New Roman, 8",
      "textPos": 0,
      "bcType": 2,
      "symbology": "Code 128",
      "size": 0,
      "justify": 0,
      "link": 0
    }
  ],
  "printer": "DYMO LabelWriter 450",
  "port": "COM1:",
  "copies": 3,
  "showDialog": false
}
)");
}

TEST(DescriptionJsonTest, ReadsBackWhatItWrote) {
  engine::LabelDescription label = sampleLabel();
  label.showDialog = true;
  std::get<engine::TextContent>(label.objects[0].content).text = "Gr\xc3\xbc\xc3\x9f" "e \xe2\x9c\x93";
  EXPECT_EQ(engine::fromJson(engine::toJson(label)), label);
}

TEST(DescriptionJsonTest, RefusesWhatTheEngineWouldNotHaveRecorded) {
  const std::string good = engine::toJson(sampleLabel());
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  const std::string bad[] = {
      "",
      "{\"version\": 1}",
      replaced("\"version\": 1", "\"version\": 2"),
      replaced("\"copies\": 3", "\"copies\": \"3\""),
      replaced("\"kind\": \"text\"", "\"kind\": \"line\""),
      replaced("\"rotation\": 90", "\"rotation\": 45"),
      replaced("\"bcType\": 2", "\"bcType\": 5"),  // S42-7 is no Code 128 C data
      replaced("\"font1\": \"Times New Roman, 8\"", "\"font1\": \"Times New Roman\""),
      replaced("\"textPos\": 0,", ""),
  };
  for (const auto& text : bad) EXPECT_THROW(engine::fromJson(text), engine::DescriptionError) << text;
}

}  // namespace
