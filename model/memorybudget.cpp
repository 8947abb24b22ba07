#include "model/memorybudget.h"

#include <cctype>
#include <cstdint>
#include <string_view>
#include <unistd.h>

bool MemoryBudget::take(std::size_t bytes)
{
    const std::size_t bound = limit();
    std::size_t now = usedBytes.load(std::memory_order_relaxed);
    for (;;) {
        if (bound != 0 && (bytes > bound || now > bound - bytes))
            return false;
        if (usedBytes.compare_exchange_weak(now, now + bytes, std::memory_order_relaxed))
            return true;
    }
}

void MemoryBudget::giveBack(std::size_t bytes)
{
    std::size_t now = usedBytes.load(std::memory_order_relaxed);
    while (!usedBytes.compare_exchange_weak(
        now, now >= bytes ? now - bytes : 0, std::memory_order_relaxed)) { }
}

std::size_t defaultMemoryLimit()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0
        ? static_cast<std::size_t>(pages) / 4 * static_cast<std::size_t>(pageSize)
        : SIZE_MAX / 2;
}

bool parseMemorySize(const char *text, std::size_t &bytes)
{
    const std::string_view all(text ? text : "");
    std::size_t i = 0;
    std::uint64_t number = 0;
    for (; i < all.size() && std::isdigit(static_cast<unsigned char>(all[i])); ++i) {
        if (number > (UINT64_MAX - 9) / 10)
            return false;
        number = number * 10 + static_cast<std::uint64_t>(all[i] - '0');
    }
    if (i == 0 || number == 0)
        return false;
    std::string_view unit = all.substr(i);
    int shift = 0;
    if (!unit.empty()) {
        switch (std::toupper(static_cast<unsigned char>(unit[0]))) {
        case 'K':
            shift = 10;
            break;
        case 'M':
            shift = 20;
            break;
        case 'G':
            shift = 30;
            break;
        case 'T':
            shift = 40;
            break;
        default:
            return false;
        }
        unit.remove_prefix(1);
        if (unit == "i" || unit == "iB" || unit == "ib")
            unit = {};
        else if (unit == "B" || unit == "b")
            unit = {};
        if (!unit.empty())
            return false;
    }
    if (shift > 0 && number > (UINT64_MAX >> shift))
        return false;
    number <<= shift;
    if (number > SIZE_MAX)
        return false;
    bytes = static_cast<std::size_t>(number);
    return true;
}

std::string memorySizeText(std::size_t bytes)
{
    constexpr char Units[] = "KMGT";
    int unit = -1;
    while (unit < 3 && bytes != 0 && bytes % 1024 == 0) {
        bytes /= 1024;
        ++unit;
    }
    std::string text = std::to_string(bytes);
    if (unit >= 0)
        text += Units[unit];
    return text;
}
