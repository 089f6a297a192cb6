#include "base/field_value.h"

#include "base/text_rules.h"

namespace vorne {

FieldValue FieldValueOfText(FieldType type, std::string_view text) {
    switch (type) {
        case FieldType::Flag:
            if (text == "1") return true;
            if (text == "0") return false;
            return AtoiRule(text);
        case FieldType::Number: return AtoiRule(text);
        case FieldType::Bytes: break;
    }
    return std::string(text);
}

bool TakesValue(FieldType type, const FieldValue& value) {
    switch (type) {
        case FieldType::Flag: return !std::holds_alternative<std::string>(value);
        case FieldType::Number: return std::holds_alternative<std::int32_t>(value);
        case FieldType::Bytes: break;
    }
    return std::holds_alternative<std::string>(value);
}

std::int32_t FlagNumber(const FieldValue& value) {
    if (const bool* flag = std::get_if<bool>(&value)) return *flag ? 1 : 0;
    return std::get<std::int32_t>(value);
}

std::string_view FieldTypeName(FieldType type) {
    switch (type) {
        case FieldType::Flag: return "a flag";
        case FieldType::Number: return "a number";
        case FieldType::Bytes: break;
    }
    return "bytes";
}

}  // namespace vorne
