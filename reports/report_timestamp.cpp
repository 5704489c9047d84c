#include "reports/report_timestamp.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace orvane {

namespace {

constexpr double kInvalid = std::numeric_limits<double>::infinity();

// A hand-written matcher of
// (\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(\.\d+)?(Z|[+-]\d{2}:\d{2}): a backtracking regex
// engine recurses once per character, and a report may carry a fraction two million digits long.
class Cursor {
  public:
    explicit Cursor(const std::string& text) : text_(text) {}

    bool digits(int count, int& value) {
        value = 0;
        for (int i = 0; i < count; ++i) {
            if (!isDigit(pos_))
                return false;
            value = value * 10 + (text_[pos_++] - '0');
        }
        return true;
    }
    bool literal(char c) {
        if (pos_ >= text_.size() || text_[pos_] != c)
            return false;
        ++pos_;
        return true;
    }
    bool peek(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
    bool isDigit(std::size_t at) const {
        return at < text_.size() && text_[at] >= '0' && text_[at] <= '9';
    }
    std::size_t position() const { return pos_; }
    void skipDigits() {
        while (isDigit(pos_))
            ++pos_;
    }
    bool atEnd() const { return pos_ == text_.size(); }

  private:
    const std::string& text_;
    std::size_t pos_ = 0;
};

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date, counted in 400-year eras.
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

double fractionValue(const std::string& text, std::size_t begin, std::size_t end) {
    std::string number = "0";
    number.append(text, begin, end - begin);
    double value = 0.0;
    std::from_chars(number.data(), number.data() + number.size(), value);
    return value;
}

}  // namespace

double parseReportTimestamp(const std::string& text) {
    Cursor at(text);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!(at.digits(4, year) && at.literal('-') && at.digits(2, month) && at.literal('-') &&
          at.digits(2, day) && at.literal('T') && at.digits(2, hour) && at.literal(':') &&
          at.digits(2, minute) && at.literal(':') && at.digits(2, second))) {
        return kInvalid;
    }
    std::size_t fractionBegin = 0, fractionEnd = 0;
    if (at.peek('.')) {
        fractionBegin = at.position();
        at.literal('.');
        if (!at.isDigit(at.position()))
            return kInvalid;
        at.skipDigits();
        fractionEnd = at.position();
    }
    int offsetSign = 0, offsetHours = 0, offsetMinutes = 0;
    if (!at.literal('Z')) {
        if (at.literal('+')) {
            offsetSign = 1;
        } else if (at.literal('-')) {
            offsetSign = -1;
        } else {
            return kInvalid;
        }
        if (!(at.digits(2, offsetHours) && at.literal(':') && at.digits(2, offsetMinutes))) {
            return kInvalid;
        }
    }
    if (!at.atEnd())
        return kInvalid;

    if (month < 1 || month > 12)
        return kInvalid;
    if (day < 1 || day > daysInMonth(year, month))
        return kInvalid;
    if (hour > 23 || minute > 59 || second > 59)
        return kInvalid;
    if (offsetHours > 23 || offsetMinutes > 59)
        return kInvalid;

    double seconds = static_cast<double>(daysFromCivil(year, static_cast<unsigned>(month),
                                                       static_cast<unsigned>(day))) *
                         86400.0 +
                     hour * 3600.0 + minute * 60.0 + second;
    if (fractionEnd > fractionBegin)
        seconds += fractionValue(text, fractionBegin, fractionEnd);
    // +02:00 is two hours ahead of UTC: subtract it.
    seconds -= offsetSign * (offsetHours * 60.0 + offsetMinutes) * 60.0;
    return seconds;
}

}  // namespace orvane
