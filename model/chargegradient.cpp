#include "model/chargegradient.h"

#include <cmath>

ChargeGradient::ChargeGradient()
{
    BuildLevels();
}

void ChargeGradient::BuildLevels()
{
    ChargeLevels.clear();
    ChargeLevels.reserve(LevelCount);
    Thresholds[0] = MinCharge;
    for (int i = 1; i <= LevelCount; ++i) {
        Thresholds[static_cast<std::size_t>(i)] =
            (MaxCharge - MinCharge) * i / LevelCount + MinCharge;
        ChargeLevels.push_back(
            createAtomType(GradualColor(i), LevelCaption(i), 1, GradualRadius(i)));
    }
}

AtomType &ChargeGradient::LevelForCharge(double charge, bool wantRadius)
{
    const auto t = [this](int i) { return Thresholds[static_cast<std::size_t>(i)]; };
    int k = 0;
    if (MinCharge < MaxCharge) {
        if (charge > MinCharge) {
            k = 1;
            while (k <= LevelCount && !(charge <= t(k)))
                ++k;
        }
    } else if (charge < MinCharge) {
        k = 1;
        while (k <= LevelCount && !(charge >= t(k)))
            ++k;
    }
    if (wantRadius) {
        if (k == 0) {
            LastRadius = LowRadius;
        } else if (k == LevelCount + 1) {
            LastRadius = HighRadius;
        } else {
            // a level is only reached when the charge lies strictly beyond x0, so t(k) != x0
            const double r0 = k == 1 ? LowRadius : level(k - 1).radius;
            const double x0 = k == 1 ? MinCharge : t(k - 1);
            LastRadius = r0 + (level(k).radius - r0) * (charge - x0) / (t(k) - x0);
        }
    }
    if (k == 0)
        return level(1);
    if (k == LevelCount + 1)
        return level(LevelCount);
    return level(k);
}

std::uint32_t ChargeGradient::GradualColor(int level) const
{
    // The channels are mixed in extended precision and truncated, which is why levels 4 and 7
    // of the start gradient land one below the rounded value (84.999... and 169.999...).
    const double x = static_cast<double>(level - 1) / static_cast<double>(LevelCount - 1);
    const long double high = x;
    const long double low = 1.0L - high;
    std::uint32_t color = LowColor & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const long double lowByte = (LowColor >> shift) & 0xFFu;
        const long double highByte = (HighColor >> shift) & 0xFFu;
        const auto value = static_cast<std::uint32_t>(low * lowByte + highByte * high);
        color |= (value & 0xFFu) << shift;
    }
    return color;
}

double ChargeGradient::GradualRadius(int level) const
{
    return LowRadius
        + (HighRadius - LowRadius) * (Thresholds[static_cast<std::size_t>(level)] - MinCharge)
        / (MaxCharge - MinCharge);
}

int ChargeGradient::LevelPercent(int level) const
{
    const double percent =
        (Thresholds[static_cast<std::size_t>(level)] - MinCharge) / (MaxCharge - MinCharge) * 100.0
        + 0.5;
    if (!(std::fabs(percent) < 2.0e9))
        return 0;
    return static_cast<int>(percent);
}

std::string ChargeGradient::LevelCaption(int level) const
{
    return std::to_string(level) + ". level (" + std::to_string(LevelPercent(level)) + "%)";
}

void ChargeGradient::SetLevelThreshold(int level, double percent)
{
    if (level < 1 || level > LevelCount)
        return;
    Thresholds[static_cast<std::size_t>(level)] =
        MinCharge + percent * (MaxCharge - MinCharge) * 0.01;
    this->level(level).name = LevelCaption(level);
}

bool ChargeGradient::SetLimits(double newMinimum, double newMaximum)
{
    if (newMinimum == newMaximum)
        return false;
    if (newMinimum == MinCharge && newMaximum == MaxCharge)
        return false;
    // Limits that are not numbers, or so far apart that the span overflows, would leave
    // thresholds that no charge compares with; they are refused like equal ones.
    if (!std::isfinite(newMinimum) || !std::isfinite(newMaximum))
        return false;
    const double a = MinCharge, b = MaxCharge;
    std::array<double, LevelCount + 1> moved{};
    for (std::size_t i = 0; i < moved.size(); ++i) {
        moved[i] = newMinimum + (newMaximum - newMinimum) * ((Thresholds[i] - a) / (b - a));
        if (!std::isfinite(moved[i]))
            return false;
    }
    Thresholds = moved;
    MinCharge = newMinimum;
    MaxCharge = newMaximum;
    return true;
}

void ChargeGradient::SpreadColors(const std::function<void(AtomType &)> &rebuildPictures)
{
    LowColor = level(1).color;
    HighColor = level(LevelCount).color;
    Thresholds[0] = MinCharge;
    for (int i = 1; i <= LevelCount; ++i) {
        AtomType &record = level(i);
        record.color = GradualColor(i);
        if (rebuildPictures) {
            rebuildPictures(record);
        } else {
            record.sphereImage.reset();
            record.sphereMask.reset();
        }
    }
}

void ChargeGradient::SpreadRadii()
{
    HighRadius = level(LevelCount).radius;
    const double first = level(1).radius;
    const double r0 = first - (HighRadius - first) / (LevelCount - 1);
    LowRadius = r0 < 0.01 ? 0.01 : r0;
    for (int i = 1; i <= LevelCount; ++i)
        level(i).radius = GradualRadius(i);
}
