#include "model/inputformat.h"

#include "model/numberparse.h"

#include <cctype>
#include <cstring>
#include <string>

LayoutSettings defaultLayout(int kind)
{
    LayoutSettings s;
    switch (InputFormat::clampKind(kind)) {
    case 0:
    case 3:
        break;
    case 1:
        s.firstAtomLine = 1;
        s.skipLines = 2;
        s.xyzPosition = 10;
        s.chargePosition = 7;
        s.impulsePosition = 10;
        s.orbitalPosition = 13;
        s.timePosition = 2;
        s.energyPosition = 3;
        s.useFixedCount = true;
        s.convertUnits = true;
        s.readNames = false;
        break;
    case 2:
        s.firstAtomLine = 7;
        s.xyzPosition = 1;
        s.chargePosition = 7;
        s.impulsePosition = 10;
        s.orbitalPosition = 13;
        s.timePosition = 1;
        s.energyPosition = 3;
        s.useFixedCount = true;
        s.readTime = false;
        s.convertUnits = true;
        s.readNames = false;
        break;
    }
    return s;
}

std::string_view fileNamePart(std::string_view path)
{
    const auto cut = path.find_last_of("/\\:");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string_view fileExtension(std::string_view path)
{
    const std::string_view name = fileNamePart(path);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

std::string_view layoutExtension(std::string_view path)
{
    const std::string_view extension = fileExtension(path);
    std::string lower(extension);
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower != ".gz" && lower != ".zst")
        return extension;
    return fileExtension(path.substr(0, path.size() - extension.size()));
}

int kindForExtension(std::string_view extension)
{
    static constexpr std::string_view known[] = {".XYZ", ".PRN", ".TXT", ".EXTXYZ"};
    for (int k = 0; k < 4; ++k) {
        const std::string_view candidate = known[k];
        if (candidate.size() != extension.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < candidate.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(extension[i])) != candidate[i])
                same = false;
        if (same)
            return k;
    }
    return -1;
}

int kindForFile(
    std::string_view extension, std::string_view bytes, int commonSkipLines, int currentKind)
{
    constexpr int Common = static_cast<int>(LayoutKind::Common);
    int kind = kindForExtension(extension);
    // many programs write multi-frame XYZ files as .log, .trj or without extension
    if (kind < 0 && currentKind == Common)
        kind = Common;
    if (kind != Common)
        return kind;
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    for (int line = 0; line < commonSkipLines + 1 && p < end; ++line) {
        const void *lineFeed = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        p = lineFeed ? static_cast<const char *>(lineFeed) + 1 : end;
    }
    // no text at all (a file that could not be opened) may come without any memory behind it
    const void *lineFeed =
        p < end ? std::memchr(p, '\n', static_cast<std::size_t>(end - p)) : nullptr;
    const char *const lineEnd = lineFeed ? static_cast<const char *>(lineFeed) : end;
    // Two numbers, each a whole token: "1 H" or "12.5fs" begin no frame of the program's own.
    for (int number = 0; number < 2; ++number) {
        double value = 0.0;
        const char *after = parseReal(p, lineEnd, value);
        if (!after || (after < lineEnd && !numberparse::isScanSpace(*after)))
            return static_cast<int>(LayoutKind::XYZ);
        p = after;
    }
    return kind;
}
