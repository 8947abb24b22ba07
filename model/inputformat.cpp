#include "model/inputformat.h"

#include <cctype>
#include <string>

LayoutSettings defaultLayout(int kind)
{
    LayoutSettings s;
    switch (InputFormat::clampKind(kind)) {
    case 0:
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
    static constexpr std::string_view known[] = {".XYZ", ".PRN", ".TXT"};
    for (int k = 0; k < 3; ++k) {
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
