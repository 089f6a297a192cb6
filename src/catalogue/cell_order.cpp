#include "catalogue/cell_order.h"

namespace vorne {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Sign(int value) { return (value > 0) - (value < 0); }

// The leading digits of `text` without their leading zeros ("007k" gives "7"), and what follows.
struct LeadingNumber {
    std::string_view digits;
    std::string_view rest;
    bool present = false;
};

LeadingNumber SplitNumber(std::string_view text) {
    std::size_t end = 0;
    while (end < text.size() && IsDigit(text[end])) ++end;
    LeadingNumber number{text.substr(0, end), text.substr(end), end > 0};
    while (number.digits.size() > 1 && number.digits.front() == '0') number.digits.remove_prefix(1);
    return number;
}

}  // namespace

int CompareCells(std::string_view a, std::string_view b, SortAs how) {
    if (how == SortAs::Text) return Sign(a.compare(b));
    const LeadingNumber x = SplitNumber(a);
    const LeadingNumber y = SplitNumber(b);
    if (x.present != y.present) return x.present ? 1 : -1;
    if (!x.present) return Sign(a.compare(b));
    // Digit strings without leading zeros: the longer is the larger; of equal length, the
    // byte-wise order is the numeric one. No value is ever converted, so none can overflow.
    if (x.digits.size() != y.digits.size()) return x.digits.size() < y.digits.size() ? -1 : 1;
    if (int c = x.digits.compare(y.digits); c != 0) return Sign(c);
    if (int c = x.rest.compare(y.rest); c != 0) return Sign(c);
    return Sign(a.compare(b));  // "07" and "7": apart, in a fixed order
}

}  // namespace vorne
