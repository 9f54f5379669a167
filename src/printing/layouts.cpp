#include "printing/layouts.h"

#include <array>
#include <string>

#include "automation/text.h"
#include "printing/engine_calls.h"
#include "printing/label_stock.h"
#include "printing/print_error.h"

namespace printing {

namespace {

using automation::AutomationError;

constexpr char16_t kTimes7[] = u"Times New Roman, 7";
constexpr char16_t kTimes8[] = u"Times New Roman, 8";
constexpr char16_t kTimes8Bold[] = u"Times New Roman, 8, Bold";
constexpr std::int16_t kTextKind = 0;
constexpr std::int16_t kBarCodeKind = 5;

Value text(std::u16string_view s) { return Value::string(std::u16string(s)); }
Value i2(std::int16_t v) { return Value::i2(v); }

void put(Object& target, std::u16string_view member, Value value) {
  target.put(member, Argument::byValue(std::move(value)));
}

struct Box {
  std::int16_t left, top, width, height;
};

// AddObject, then LabelObject with a reference to the handle it returned.
std::shared_ptr<Object> addLabelObject(Object& engine, std::int16_t kind, std::u16string_view name, Box box) {
  const std::array args{Argument::byValue(i2(kind)),       Argument::byValue(text(name)),
                        Argument::byValue(i2(box.left)),   Argument::byValue(i2(box.top)),
                        Argument::byValue(i2(box.width)),  Argument::byValue(i2(box.height)),
                        Argument::byValue(i2(0))};
  Value handle = printObjectOf(engine)->call(u"AddObject", args);
  const std::array reference{Argument::byReference(handle)};
  return objectOf(printObjectOf(engine)->get(u"LabelObject", reference));
}

// The bar code settings every layout uses: Code 128, no human-readable text, narrow modules.
void setBarCode(Object& barCode, const Value& data) {
  put(barCode, u"Text", data);
  put(barCode, u"Font", text(kTimes8));
  put(barCode, u"TextPos", i2(0));
  put(barCode, u"BCType", i2(2));
  put(barCode, u"Size", i2(0));
  put(barCode, u"Justify", i2(0));
  put(barCode, u"Link", i2(0));
}

void printLabel(Object& engine, control::LabelRequest& request) {
  const std::array args{Argument::byReference(request.PrinterName), Argument::byValue(text(u"COM1:")),
                        Argument::byReference(request.LabelCopies), Argument::byValue(Value::boolean(false))};
  engine.call(u"PrintLabel", args);
}

std::shared_ptr<Object> createEngine(automation::ObjectFactory& engines) {
  auto engine = engines.create(kEngineProgId);
  if (!engine) throw AutomationError::cannotCreateObject();
  return engine;
}

// Runs a layout's body under its failure stages; `release` drops what the layout holds,
// in its own order, on both exits.
template <typename Body, typename Release>
void runPrintJob(control::PrintCall& call, Body&& body, Release&& release) {
  FailureStage stage = FailureStage::EngineSetup;
  try {
    body(stage);
  } catch (const std::exception& error) {
    ReportPrintError(stage, error, call);
  } catch (...) {
    ReportPrintError(stage, std::runtime_error("unknown failure"), call);
  }
  release();
}

}  // namespace

void PrintPHYSICIANLabels(PrintJob job) {
  auto& request = job.call.request;
  std::shared_ptr<Object> engine, textBlock, textAttributes, barCode;
  runPrintJob(
      job.call,
      [&](FailureStage& stage) {
        engine = createEngine(job.engines);
        stage = FailureStage::Layout;
        clearLabel(*engine);
        ApplyLabelStock(*engine, kReturnAddressLabelSet);
        textBlock = addLabelObject(*engine, kTextKind, u"Info", {360, 18, 6000, 10000});
        textAttributes = getObject(*textBlock, u"TextAttributes");
        const Value lineBreak = text(u"\r\n");
        Value block = automation::concat(request.Line1, lineBreak);
        block = automation::concat(automation::concat(automation::concat(block, request.Line2), lineBreak),
                                   request.Line3);
        put(*textAttributes, u"Text", Value::string(automation::textOf(block)));
        put(*textAttributes, u"VJustify", i2(-400));
        put(*textAttributes, u"Font_1", text(kTimes8));
        put(*textAttributes, u"Font_2", text(kTimes8));
        put(*textAttributes, u"TextColor", i2(0));
        put(*textAttributes, u"BackGroundColor", i2(-200));
        if (!request.BarCode.isNull() && !automation::equalsText(request.BarCode, u"")) {
          barCode = addLabelObject(*engine, kBarCodeKind, u"BC", {400, 600, 3000, 1000});
          setBarCode(*barCode, request.BarCode);
        }
        printLabel(*engine, request);
      },
      [&] {
        textAttributes.reset();
        barCode.reset();
        textBlock.reset();
        engine.reset();
      });
}

void PrintHOSPITALLabels(PrintJob job) {
  auto& request = job.call.request;
  struct Row {
    std::u16string_view name;
    std::int16_t kind;
    std::int16_t top;
    std::int16_t height;
    Value control::LabelRequest::*content;
  };
  static constexpr std::array<Row, 7> kRows{{
      {u"Line01", kTextKind, 180, 180, &control::LabelRequest::Line1},
      {u"Line02", kTextKind, 360, 180, &control::LabelRequest::Line2},
      {u"BC", kBarCodeKind, 540, 360, &control::LabelRequest::BarCode},
      {u"Line04", kTextKind, 900, 180, &control::LabelRequest::Line4},
      {u"Line05", kTextKind, 1080, 180, &control::LabelRequest::Line5},
      {u"Line06", kTextKind, 1260, 180, &control::LabelRequest::Line6},
      {u"Line07", kTextKind, 1440, 180, &control::LabelRequest::Line7},
  }};
  std::shared_ptr<Object> engine, labelObject, textAttributes, barCode;
  runPrintJob(
      job.call,
      [&](FailureStage& stage) {
        engine = createEngine(job.engines);
        clearLabel(*engine);
        ApplyLabelStock(*engine, kHospitalLabelSet);
        stage = FailureStage::Layout;
        for (const Row& row : kRows) {
          const Box box{200, row.top, 2800, row.height};
          if (row.kind == kBarCodeKind) {
            barCode = addLabelObject(*engine, row.kind, row.name, box);
            setBarCode(*barCode, request.*row.content);
            continue;
          }
          labelObject = addLabelObject(*engine, row.kind, row.name, box);
          textAttributes = getObject(*labelObject, u"TextAttributes");
          put(*textAttributes, u"Text", request.*row.content);
          put(*textAttributes, u"Font_1", text(kTimes7));
          put(*textAttributes, u"Font_2", text(kTimes7));
          put(*textAttributes, u"TextColor", Value::i4(0));
          put(*textAttributes, u"BackGroundColor", Value::i4(0xFFFFFF));
          put(*textAttributes, u"Justify", i2(0));
          put(*textAttributes, u"Mirrored", Value::boolean(false));
          put(*textAttributes, u"Vertical", Value::boolean(false));
          put(*textAttributes, u"VJustify", i2(0));
        }
        printLabel(*engine, request);
      },
      [&] {
        textAttributes.reset();
        barCode.reset();
        labelObject.reset();
        engine.reset();
      });
}

void ParseGenericLine(Object& engine, const Value& objectName, const Value& line, Value& nextObjectTop) {
  if (automation::equalsText(line, u"")) return;
  if (line.isNull()) throw AutomationError::invalidUseOfNull();
  const std::u16string marked = automation::textOf(line);
  const auto separator = marked.find(u'^');
  if (separator == std::u16string::npos) throw AutomationError::invalidArgument();
  const std::u16string_view token = std::u16string_view(marked).substr(0, separator);
  const Value content = Value::string(marked.substr(separator + 1));

  const bool bold = token == u"TXTBOLD";
  const bool barCode = token == u"BCD";
  if (!bold && !barCode && token != u"TXT") return;

  Value left = i2(500);
  const std::array args{Argument::byValue(i2(barCode ? kBarCodeKind : kTextKind)),
                        Argument::byValue(objectName),
                        Argument::byTypedReference(left),
                        Argument::byTypedReference(nextObjectTop),
                        Argument::byValue(i2(2800)),
                        Argument::byValue(i2(barCode ? 1000 : 180)),
                        Argument::byValue(i2(0))};
  Value handle = printObjectOf(engine)->call(u"AddObject", args);
  const std::array reference{Argument::byReference(handle)};
  const auto labelObject = objectOf(printObjectOf(engine)->get(u"LabelObject", reference));

  const auto advance = [&nextObjectTop](std::int16_t rows) {
    nextObjectTop = i2(static_cast<std::int16_t>(nextObjectTop.asSigned() + rows));
  };
  if (barCode) {
    setBarCode(*labelObject, content);
    advance(360);
    return;
  }
  const auto textAttributes = getObject(*labelObject, u"TextAttributes");
  const Value font = text(bold ? kTimes8Bold : kTimes8);
  put(*textAttributes, u"Text", content);
  put(*textAttributes, u"VJustify", i2(-400));
  put(*textAttributes, u"Font_1", font);
  put(*textAttributes, u"Font_2", font);
  put(*textAttributes, u"TextColor", i2(0));
  put(*textAttributes, u"BackGroundColor", i2(-200));
  advance(180);
}

void PrintGENERICLabels(PrintJob job) {
  auto& request = job.call.request;
  std::shared_ptr<Object> engine;
  runPrintJob(
      job.call,
      [&](FailureStage& stage) {
        engine = createEngine(job.engines);
        clearLabel(*engine);
        ApplyLabelStock(*engine, kReturnAddressLabelSet);
        stage = FailureStage::Layout;
        Value nextObjectTop = i2(18);
        static constexpr std::array<std::u16string_view, 5> kNames{u"Line01", u"Line02", u"Line03", u"Line04",
                                                                   u"Line05"};
        for (int number = 1; number <= 5; ++number)
          ParseGenericLine(*engine, text(kNames[static_cast<std::size_t>(number - 1)]), request.line(number),
                           nextObjectTop);
        printLabel(*engine, request);
      },
      [&] { engine.reset(); });
}

}  // namespace printing
