#include "values/decode_ranking.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <tuple>

namespace zentiq {

namespace {

// Typed decimals rarely carry more digits than the type holds: a float that
// agrees to its own precision is the value the user means.
constexpr double kFloatPrecision = 1.2e-7;
constexpr double kDoublePrecision = 4e-16;

double relativeDistance(double value, double expected) {
    return std::fabs(value - expected) / std::max(std::fabs(expected), DBL_MIN);
}

// The distance of a numeric reading from the expected number; a negative
// answer when the reading cannot be compared.
double numericScore(const DecodeReading& r, const DecodedValue& v, const Expectation& e) {
    if (IsIntegerKind(r.kind) && e.integral) {
        const bool isSigned = r.kind == DecodeKind::Signed16 || r.kind == DecodeKind::Signed32 ||
                              r.kind == DecodeKind::Signed64;
        if (isSigned) {
            const auto value = std::int64_t(v.bits);
            const bool fits =
                e.magnitude <= (e.negative ? std::uint64_t(1) << 63 : (std::uint64_t(1) << 63) - 1);
            if (fits &&
                (e.negative ? value < 0 && std::uint64_t(0) - std::uint64_t(value) == e.magnitude
                            : value >= 0 && std::uint64_t(value) == e.magnitude))
                return 0;
        } else if (!e.negative && v.bits == e.magnitude) {
            return 0;
        }
    }
    const double distance = relativeDistance(v.number, e.number);
    if (r.kind == DecodeKind::Float32 && distance <= kFloatPrecision)
        return 0;
    if (r.kind == DecodeKind::Float64 && distance <= kDoublePrecision)
        return 0;
    // A whole number that differs is never exact, however large the values.
    return distance == 0 ? DBL_MIN : distance;
}

// Whether a float reading is the typed number: relatively close, or as close
// as the digits the user typed.
bool floatMatches(double value, const Expectation& e) {
    return relativeDistance(value, e.number) <= kFloatMatch ||
           std::fabs(value - e.number) <= e.resolution;
}

// k when the integer `value` is exactly the expected number times 10^k
// (smallest |k| first, positive before negative), 0 when there is none.
int scaleOf(double value, const Expectation& e) {
    if (value == 0)
        return 0;
    for (int magnitude = 1; magnitude <= kMaxScale; ++magnitude) {
        for (const int k : {magnitude, -magnitude}) {
            const double scaled = e.number * std::pow(10.0, k);
            const double whole = std::round(scaled);
            if (std::fabs(scaled - whole) <= 1e-9 * std::max(1.0, std::fabs(whole)) && whole == value)
                return k;
        }
    }
    return 0;
}

double textScore(const QByteArray& got, const QByteArray& expected) {
    const qsizetype n = std::max(got.size(), expected.size());
    if (n == 0)
        return 0;
    qsizetype differing = n - std::min(got.size(), expected.size());
    for (qsizetype i = 0; i < std::min(got.size(), expected.size()); ++i)
        differing += got[i] != expected[i] ? 1 : 0;
    return double(differing) / double(n);
}

}  // namespace

Expectation ParseExpectation(const QString& typed) {
    Expectation e;
    const QString t = typed.trimmed();
    if (t.isEmpty())
        return e;
    const auto quoted = [&](QChar open, QChar close) {
        return t.size() >= 2 && t.front() == open && t.back() == close;
    };
    if (quoted(QLatin1Char('"'), QLatin1Char('"')) || quoted(QChar(0x201C), QChar(0x201D)) ||
        quoted(QLatin1Char('\''), QLatin1Char('\''))) {
        e.kind = Expectation::Kind::Text;
        e.text = t.mid(1, t.size() - 2).toUtf8();
        return e;
    }
    const auto whole = [&](std::uint64_t magnitude, bool negative) {
        e.kind = Expectation::Kind::Number;
        e.integral = true;
        e.negative = negative && magnitude != 0;
        e.magnitude = magnitude;
        e.number = negative ? -double(magnitude) : double(magnitude);
    };
    bool ok = false;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const std::uint64_t value = t.mid(2).toULongLong(&ok, 16);
        if (ok) {
            whole(value, false);
            e.hexTyped = true;
            return e;
        }
    } else if (t.startsWith(QLatin1String("0b"), Qt::CaseInsensitive)) {
        const std::uint64_t value = t.mid(2).toULongLong(&ok, 2);
        if (ok) {
            whole(value, false);
            return e;
        }
    }
    static const QRegularExpression integer(QStringLiteral("^([+-]?)([0-9]+)$"));
    if (const QRegularExpressionMatch m = integer.match(t); m.hasMatch()) {
        const std::uint64_t value = m.captured(2).toULongLong(&ok, 10);
        if (ok) {
            whole(value, m.captured(1) == QLatin1String("-"));
            e.resolution = 0.5;
            return e;
        }
    }
    QString decimal = t;
    if (!decimal.contains(QLatin1Char('.')))
        decimal.replace(QLatin1Char(','), QLatin1Char('.'));
    const double value = QLocale::c().toDouble(decimal, &ok);
    if (ok && std::isfinite(value)) {
        e.kind = Expectation::Kind::Number;
        e.number = value;
        static const QRegularExpression plainDecimal(QStringLiteral("^[+-]?[0-9]*\\.([0-9]+)$"));
        if (const QRegularExpressionMatch m = plainDecimal.match(decimal); m.hasMatch())
            e.resolution = 0.5 * std::pow(10.0, -m.capturedLength(1));
        return e;
    }
    e.kind = Expectation::Kind::Text;
    e.text = t.toUtf8();
    return e;
}

std::vector<DecodeCandidate> RankCandidates(std::span<const std::uint16_t> words,
                                            std::span<const int> chosenStarts,
                                            const Expectation& expected, std::size_t limit) {
    std::vector<DecodeCandidate> out;
    if (expected.kind == Expectation::Kind::None || words.empty() || limit == 0)
        return out;
    const int n = int(words.size());
    // -1 not considered, 0 chosen, 1 neighbour.
    std::vector<signed char> state(std::size_t(n), -1);
    for (const int s : chosenStarts)
        if (s >= 0 && s < n)
            state[std::size_t(s)] = 0;
    for (int s = 0; s < n; ++s) {
        if (state[std::size_t(s)] != -1)
            continue;
        if ((s + 1 < n && state[std::size_t(s + 1)] == 0) ||
            (s > 0 && state[std::size_t(s - 1)] == 0))
            state[std::size_t(s)] = 1;
    }
    // Two adjacent registers chosen: the user means one value of two.
    std::vector<int> chosen;
    for (int s = 0; s < n; ++s)
        if (state[std::size_t(s)] == 0)
            chosen.push_back(s);
    const int pairSecond = chosen.size() == 2 && chosen[1] == chosen[0] + 1 ? chosen[1] : -1;
    const std::span<const DecodeReading> readings = AllReadings();
    const int textRegisters = int((expected.text.size() + 1) / 2);
    for (int s = 0; s < n; ++s) {
        if (state[std::size_t(s)] == -1)
            continue;
        const int neighbourOffset =
            state[std::size_t(s)] == 0 ? 0 : (s + 1 < n && state[std::size_t(s + 1)] == 0 ? -1 : 1);
        for (const DecodeReading& r : readings) {
            const bool text = r.kind == DecodeKind::Text;
            if (text != (expected.kind == Expectation::Kind::Text))
                continue;
            // Hex and binary are the unsigned word again.
            if (r.kind == DecodeKind::Hex16 || r.kind == DecodeKind::Binary16)
                continue;
            if (text && textRegisters == 0)
                continue;
            DecodedValue v = DecodeAt(words, s, r, textRegisters);
            if (!v.available || (!text && v.doubt != Doubt::None))
                continue;
            const double score =
                text ? textScore(v.bytes, expected.text) : numericScore(r, v, expected);
            bool match = score == 0 || (IsFloatKind(r.kind) && floatMatches(v.number, expected));
            int scale = 0;
            if (!match && IsIntegerKind(r.kind)) {
                scale = scaleOf(v.number, expected);
                match = scale != 0;
            }
            if (!match && score > kFarthestCandidate)
                continue;
            const int registers = text ? textRegisters : RegistersOf(r.kind);
            const int offset = s == pairSecond && registers > 1 ? 1 : neighbourOffset;
            out.push_back({r, s, offset, std::move(v), match ? 0 : score, match, scale, registers});
        }
    }
    const auto readingIndex = [&](const DecodeReading& r) {
        return int(std::find(readings.begin(), readings.end(), r) - readings.begin());
    };
    const auto key = [&](const DecodeCandidate& c) {
        const bool shown = DisplayFormatFor(c.reading, c.start) >= 0;
        const int registers =
            c.reading.kind == DecodeKind::Text ? textRegisters : RegistersOf(c.reading.kind);
        return std::make_tuple(c.match ? 0 : 1, c.score, std::abs(c.scale), std::abs(c.offset),
                               shown ? 0 : 1, registers, readingIndex(c.reading), c.start);
    };
    std::stable_sort(
        out.begin(), out.end(),
        [&](const DecodeCandidate& a, const DecodeCandidate& b) { return key(a) < key(b); });
    // A signed and an unsigned reading of the same bits that agree are one
    // reading: the first (the one a display format shows, if any) stays.
    const auto sameInteger = [](const DecodeCandidate& a, const DecodeCandidate& b) {
        const auto plain = [](DecodeKind k) { return IsIntegerKind(k) && k != DecodeKind::Bcd16; };
        return plain(a.reading.kind) && plain(b.reading.kind) && a.start == b.start &&
               RegistersOf(a.reading.kind) == RegistersOf(b.reading.kind) &&
               a.reading.order == b.reading.order && a.value.bits == b.value.bits;
    };
    std::vector<DecodeCandidate> distinct;
    for (DecodeCandidate& c : out) {
        if (distinct.size() >= limit)
            break;
        if (std::none_of(distinct.begin(), distinct.end(),
                         [&](const DecodeCandidate& d) { return sameInteger(d, c); }))
            distinct.push_back(std::move(c));
    }
    out = std::move(distinct);
    return out;
}

}  // namespace zentiq
