#include "sceneout/sheet_attribute.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <string>

// Shortest text that reads back to the same double: exact, and less for the
// command language to scan than a fixed 17 digits. Whole numbers (ids, nets,
// positions) go without an exponent.
static void appendValue(std::string& text, double value) {
    char digits[32];
    bool whole = std::fabs(value) < 1e15 && value == std::floor(value);
    auto [end, error] =
        whole ? std::to_chars(digits, digits + sizeof(digits), static_cast<long long>(value))
              : std::to_chars(digits, digits + sizeof(digits), value);
    assert(error == std::errc());
    text += ' ';
    text.append(digits, end);
}

static void addValues(MDagModifier& modifier, const MString& object, const double* values,
                      size_t count) {
    std::string text = " " + std::to_string(count);
    for (size_t i = 0; i < count; ++i)
        appendValue(text, values[i]);
    text += ';';
    MString attribute(sheet_record::kAttribute);
    modifier.commandToExecute("addAttr -ln \"" + attribute + "\" -dt \"doubleArray\" " + object +
                              ";");
    modifier.commandToExecute("setAttr " + object + "." + attribute + " -type \"doubleArray\"" +
                              MString(text.c_str()));
}

void addRecordCommands(MDagModifier& modifier, const MString& object,
                       const sheet_record::Triangle& record) {
    double values[sheet_record::kTriangleValues];
    sheet_record::encode(record, values);
    addValues(modifier, object, values, sheet_record::kTriangleValues);
}

void addRecordCommands(MDagModifier& modifier, const MString& object,
                       const sheet_record::Tab& record) {
    double values[sheet_record::kTabValues];
    sheet_record::encode(record, values);
    addValues(modifier, object, values, sheet_record::kTabValues);
}
