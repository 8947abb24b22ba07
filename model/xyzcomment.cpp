#include "model/xyzcomment.h"

#include "model/inputformat.h"
#include "model/numberparse.h"

#include <charconv>
#include <cmath>
#include <numbers>

namespace {

bool isSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// One word of the comment with the quotes and escapes of extended XYZ undone. A word ends at a
// blank outside quotes, and a key also at "=". A bare word loses one trailing comma: CP2K
// separates its pairs with ", ".
std::string takeWord(const char *&p, const char *end, bool isKey)
{
    std::string word;
    bool lastQuoted = false;
    while (p < end && !isSeparator(*p) && !(isKey && *p == '=')) {
        const char close = *p == '"' ? '"' : (*p == '{' ? '}' : '\0');
        if (close) {
            for (++p; p < end && *p != close; ++p) {
                if (*p == '\\' && close == '"' && p + 1 < end)
                    ++p;
                word += *p;
            }
            if (p < end)
                ++p;
            lastQuoted = true;
            continue;
        }
        if (*p == '\\' && p + 1 < end)
            ++p;
        word += *p++;
        lastQuoted = false;
    }
    if (!lastQuoted && !word.empty() && word.back() == ',')
        word.pop_back();
    return word;
}

// The whole of text as one number; nothing when it holds anything else.
std::optional<double> wholeNumber(std::string_view text)
{
    double value = 0.0;
    const char *end = text.data() + text.size();
    const char *after = text.empty() ? nullptr : parseReal(text.data(), end, value);
    if (!after || after != end || numberparse::isScanSpace(text.front()))
        return std::nullopt;
    return value;
}

// The blank-separated tokens of text, in order.
std::vector<std::string_view> tokensOf(std::string_view text)
{
    std::vector<std::string_view> tokens;
    const char *p = text.data();
    const char *const end = p + text.size();
    for (;;) {
        while (p < end && isSeparator(*p))
            ++p;
        if (p == end)
            return tokens;
        const char *tokenEnd = p;
        while (tokenEnd < end && !isSeparator(*tokenEnd))
            ++tokenEnd;
        tokens.emplace_back(p, static_cast<std::size_t>(tokenEnd - p));
        p = tokenEnd;
    }
}

// Every token of text as a number, when there are exactly `count`.
bool numbers(std::string_view text, double *out, int count)
{
    const std::vector<std::string_view> tokens = tokensOf(text);
    if (tokens.size() != static_cast<std::size_t>(count))
        return false;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::optional<double> value = wholeNumber(tokens[i]);
        if (!value)
            return false;
        out[i] = *value;
    }
    return true;
}

std::optional<bool> logical(std::string_view word)
{
    if (word == "T" || word == "True" || word == "true" || word == "t")
        return true;
    if (word == "F" || word == "False" || word == "false" || word == "f")
        return false;
    return std::nullopt;
}

bool readPeriodic(std::string_view text, std::array<bool, 3> &periodic)
{
    const std::vector<std::string_view> tokens = tokensOf(text);
    if (tokens.size() != periodic.size())
        return false;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::optional<bool> value = logical(tokens[i]);
        if (!value)
            return false;
        periodic[i] = *value;
    }
    return true;
}

// Angstrom per unit of i-PI's unit names.
std::optional<double> ipiUnit(std::string_view unit)
{
    if (unit == "angstrom")
        return 1.0;
    if (unit == "atomic_unit" || unit == "bohr")
        return BohrToAngstrom;
    if (unit == "nanometer")
        return 10.0;
    return std::nullopt;
}

void appendText(std::string &text, std::string_view piece)
{
    if (!text.empty())
        text += ' ';
    text += piece;
}

// i-PI writes "# CELL(abcABC): a b c alpha beta gamma  Step: N  Bead: B positions{unit}
// cell{unit}"; the cell is read in its unit, the positions' unit is passed on.
bool readIpiComment(std::string_view line, XyzComment &comment)
{
    constexpr std::string_view Marker = "CELL(abcABC):";
    const std::size_t hash = line.find_first_not_of(" \t");
    if (hash == std::string_view::npos || line[hash] != '#')
        return false;
    const std::size_t marker = line.find(Marker, hash);
    if (marker == std::string_view::npos
        || line.substr(hash + 1, marker - hash - 1).find_first_not_of(" \t")
            != std::string_view::npos)
        return false;
    const std::vector<std::string_view> tokens = tokensOf(line.substr(marker + Marker.size()));
    double values[6];
    for (std::size_t i = 0; i < 6; ++i) {
        const std::optional<double> value =
            i < tokens.size() ? wholeNumber(tokens[i]) : std::nullopt;
        if (!value)
            return false;
        values[i] = *value;
    }
    double cellScale = 1.0;
    for (std::size_t i = 6; i < tokens.size(); ++i) {
        const std::string_view token = tokens[i];
        const std::size_t brace = token.find('{');
        if (brace != std::string_view::npos && token.back() == '}') {
            const std::optional<double> scale =
                ipiUnit(token.substr(brace + 1, token.size() - brace - 2));
            const std::string_view what = token.substr(0, brace);
            if (scale && what == "cell") {
                cellScale = *scale;
                continue;
            }
            // whatever the file holds per atom (positions, x_centroid, ...) is in this unit
            if (scale) {
                comment.positionScale = scale;
                continue;
            }
        }
        appendText(comment.text, token);
        // "Step: 5" is a pair
        if (token.size() > 1 && token.back() == ':' && i + 1 < tokens.size()) {
            std::string pair(token.substr(0, token.size() - 1));
            pair += '=';
            pair += tokens[i + 1];
            appendText(comment.pairs, pair);
            appendText(comment.text, tokens[++i]);
        }
    }
    comment.cell = cellFromLengthsAndAngles(values[0] * cellScale, values[1] * cellScale,
        values[2] * cellScale, values[3], values[4], values[5]);
    return true;
}

} // namespace

std::string xyzPair(std::string_view key, std::string_view value)
{
    std::string pair(key);
    pair += '=';
    const bool plain =
        !value.empty() && value.find_first_of(" \t\"\\={}") == std::string_view::npos;
    if (plain)
        return pair + std::string(value);
    pair += '"';
    for (const char c : value) {
        if (c == '"' || c == '\\')
            pair += '\\';
        pair += c;
    }
    return pair + '"';
}

Cell cellFromLengthsAndAngles(double a, double b, double c, double alpha, double beta, double gamma)
{
    constexpr double Radian = std::numbers::pi / 180.0;
    // cos(90 degrees) computed is 6e-17: a right angle is written with an exact zero
    const auto cosine = [](double angle) { return angle == 90.0 ? 0.0 : std::cos(angle * Radian); };
    const double cosAlpha = cosine(alpha);
    const double cosBeta = cosine(beta);
    const double cosGamma = cosine(gamma);
    const double sinGamma = gamma == 90.0 ? 1.0 : std::sin(gamma * Radian);
    const double cy = (cosAlpha - cosBeta * cosGamma) / sinGamma;
    Cell cell;
    cell.edges[0] = {a, 0.0, 0.0};
    cell.edges[1] = {b * cosGamma, b * sinGamma, 0.0};
    cell.edges[2] = {
        c * cosBeta, c * cy, c * std::sqrt(std::max(0.0, 1.0 - cosBeta * cosBeta - cy * cy))};
    return cell;
}

bool parseXyzProperties(std::string_view value, std::vector<XyzColumn> &columns)
{
    columns.clear();
    std::size_t start = 0;
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t colon = value.find(':', start);
        fields.push_back(
            value.substr(start, colon == std::string_view::npos ? colon : colon - start));
        if (colon == std::string_view::npos)
            break;
        start = colon + 1;
    }
    if (fields.size() % 3 != 0)
        return false;
    for (std::size_t i = 0; i < fields.size(); i += 3) {
        XyzColumn column;
        column.name = std::string(fields[i]);
        const std::string_view type = fields[i + 1];
        const std::string_view count = fields[i + 2];
        if (column.name.empty() || type.size() != 1
            || std::string_view("SRIL").find(type[0]) == std::string_view::npos)
            return false;
        column.type = type[0];
        const auto [after, error] =
            std::from_chars(count.data(), count.data() + count.size(), column.count);
        if (error != std::errc{} || after != count.data() + count.size() || column.count < 1)
            return false;
        columns.push_back(std::move(column));
    }
    return true;
}

bool planXyzColumns(const std::vector<XyzColumn> &columns, XyzColumnPlan &plan)
{
    using Use = XyzColumnPlan::Use;
    const auto has = [&columns](std::string_view name, int count) {
        for (const XyzColumn &column : columns)
            if (column.name == name && column.count == count)
                return true;
        return false;
    };
    const std::string_view impulse = has("momenta", 3) ? "momenta" : "velocities";
    const std::string_view charge = has("charges", 1) ? "charges" : "initial_charges";
    plan.steps.clear();
    plan.kept.clear();
    plan.impulseColumn = ImpulseColumn::None;
    plan.chargeColumn = ChargeColumn::None;
    const bool species = has("species", 1);
    bool named = false, placed = false, moving = false, charged = false, ownNamed = false;
    for (const XyzColumn &column : columns) {
        Use use = Use::Keep;
        if (!named && column.name == "species" && column.count == 1)
            use = Use::Name, named = true;
        else if (species && !ownNamed && column.name == XyzNamesColumn && column.type == 'S'
            && column.count == 1)
            use = Use::OwnName, ownNamed = true;
        else if (!placed && column.name == "pos" && column.count == 3)
            use = Use::Position, placed = true;
        else if (!moving && column.name == impulse && column.count == 3) {
            use = Use::Impulse, moving = true;
            plan.impulseColumn =
                impulse == "momenta" ? ImpulseColumn::Momenta : ImpulseColumn::Velocities;
        } else if (!charged && column.name == charge && column.count == 1) {
            use = Use::Charge, charged = true;
            plan.chargeColumn =
                charge == "charges" ? ChargeColumn::Charges : ChargeColumn::InitialCharges;
        }
        if (use == Use::Keep)
            plan.kept.push_back(column);
        plan.steps.push_back({use, column.count});
    }
    return placed;
}

XyzComment parseXyzComment(std::string_view line)
{
    XyzComment comment;
    if (readIpiComment(line, comment))
        return comment;
    comment = XyzComment{};
    std::optional<std::array<double, 9>> lattice;
    std::optional<std::array<bool, 3>> periodic;
    std::optional<Vector3> origin;
    const char *p = line.data();
    const char *const end = p + line.size();
    while (p < end) {
        if (isSeparator(*p)) {
            ++p;
            continue;
        }
        const char *const itemStart = p;
        const std::string key = takeWord(p, end, true);
        const char *q = p;
        while (q < end && isSeparator(*q))
            ++q;
        bool recognised = false;
        std::string value;
        if (q < end && *q == '=') {
            for (p = q + 1; p < end && isSeparator(*p);)
                ++p;
            value = takeWord(p, end, false);
            if (key == "Lattice") {
                std::array<double, 9> numbersRead{};
                if ((recognised = numbers(value, numbersRead.data(), 9)))
                    lattice = numbersRead;
            } else if (key == "pbc") {
                std::array<bool, 3> flags{};
                if ((recognised = readPeriodic(value, flags)))
                    periodic = flags;
            } else if (key == "Origin") {
                double xyz[3];
                if ((recognised = numbers(value, xyz, 3)))
                    origin = Vector3{xyz[0], xyz[1], xyz[2]};
            } else if (key == "Properties") {
                comment.properties = value;
                recognised = true;
            } else if (key == "energy" || key == "Energy" || key == "ENERGY" || key == "E") {
                if (const std::optional<double> number = wholeNumber(value))
                    comment.energy = number, recognised = true;
            } else if (key == "time" || key == "Time") {
                if (const std::optional<double> number = wholeNumber(value))
                    comment.time = number, recognised = true;
            } else if (key == "i") {
                recognised = wholeNumber(value).has_value();
            }
        }
        if (!recognised) {
            std::string_view item(itemStart, static_cast<std::size_t>(p - itemStart));
            appendText(comment.text, item);
            if (q < end && *q == '=' && !key.empty())
                appendText(comment.pairs, xyzPair(key, value));
        }
    }
    if (lattice) {
        Cell cell;
        for (std::size_t k = 0; k < 3; ++k)
            cell.edges[k] = {(*lattice)[3 * k], (*lattice)[3 * k + 1], (*lattice)[3 * k + 2]};
        if (periodic)
            cell.periodic = *periodic;
        if (origin)
            cell.origin = *origin;
        comment.cell = cell;
    }
    return comment;
}
