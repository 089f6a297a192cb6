#include "ui/field_text.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QStringDecoder>
#include <algorithm>

#include "base/text_rules.h"

namespace vorne::ui {

namespace {

constexpr const char* kEncodingProperty = "vorneFieldEncoding";

bool IsLatin1(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

DecodedField DecodeField(std::string_view bytes) {
    const auto size = static_cast<qsizetype>(bytes.size());
    if (IsAscii(bytes)) return {QString::fromLatin1(bytes.data(), size), FieldEncoding::Latin1};
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), size));
    if (utf8.hasError()) return {QString::fromLatin1(bytes.data(), size), FieldEncoding::Latin1};
    return {text, FieldEncoding::Utf8};
}

std::string EncodeField(const QString& text, FieldEncoding encoding) {
    if (encoding == FieldEncoding::Latin1 && IsLatin1(text)) return text.toLatin1().toStdString();
    return text.toUtf8().toStdString();
}

void SetFieldBox(QLineEdit* box, std::string_view bytes) {
    const DecodedField field = DecodeField(bytes);
    box->setText(field.text);
    box->setCursorPosition(0);
    box->setProperty(kEncodingProperty, static_cast<int>(field.encoding));
}

std::string FieldBoxBytes(const QLineEdit* box) {
    const auto encoding = static_cast<FieldEncoding>(box->property(kEncodingProperty).toInt());
    return EncodeField(box->text(), encoding);
}

void SetNumberBox(QLineEdit* box, std::int32_t number) { SetFieldBox(box, Decimal(number)); }

std::int32_t NumberBoxValue(const QLineEdit* box) { return AtoiRule(FieldBoxBytes(box)); }

void SetValueBox(QLineEdit* box, const FieldValue& value) {
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        SetNumberBox(box, *number);
    } else {
        SetFieldBox(box, std::get<std::string>(value));
    }
}

FieldValue ValueBoxValue(const QLineEdit* box, FieldType type) {
    if (type == FieldType::Number) return NumberBoxValue(box);
    return FieldBoxBytes(box);
}

void FitToLimit(QLineEdit* box) {
    constexpr int kShortField = 8;
    constexpr int kWidestText = 60;
    const int limit = box->maxLength();
    const QFontMetrics metrics = box->fontMetrics();
    // What a box adds to its text: Qt sizes an edit box for 17 characters x and its frame.
    const int frame = box->sizeHint().width() - metrics.horizontalAdvance(QString(17, QLatin1Char('x')));
    if (limit <= kShortField) {
        box->setFixedWidth(metrics.horizontalAdvance(QString(limit + 1, QLatin1Char('W'))) + frame);
    } else {
        box->setMinimumWidth(metrics.averageCharWidth() * std::min(limit, kWidestText) + frame);
    }
}

}  // namespace vorne::ui
