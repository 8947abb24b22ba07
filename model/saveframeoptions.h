#pragma once

/// How "Sa&ve Frame..." saves the current frame, as the save-frame options dialog keeps it.
struct SaveFrameOptions
{
    static constexpr int MinImageCount = 1;
    static constexpr int MaxImageCount = 1000;
    static constexpr int MinRotationAngle = 90;
    static constexpr int MaxRotationAngle = 3600;

    int saveAs = 0; ///< 0 text, 1 one image, 2 a series of rotated images
    int imageCount = 25; ///< pictures of a rotated series, MinImageCount to MaxImageCount
    int rotationAngle = 360; ///< whole degrees turned over the series, 90 to 3600
    int rotationDirection = 0; ///< 0 about the screen's vertical axis, 1 about its horizontal
    bool accepted = false; ///< the dialog was closed with OK: only then is anything saved
};
