#pragma once

#include "model/messagesink.h"
#include "render/displaystate.h"
#include "render/scene.h"
#include "render/viewtransform.h"

#include <functional>

/// The busy text of the 3D pass; a percentage follows it while the pass runs.
inline constexpr const char *CloudBusyText = "I'm rendering electrons cloud, please wait!";

/// Everything the cloud reads besides the frame and the picture.
struct CloudContext
{
    const ViewTransform &view;
    const SceneSettings &settings; ///< atomScale of the atom discs, toneBrightness
    const SceneScratch &scratch; ///< screen positions and depth order of the composition
    const DisplayState &display; ///< drawing and computing models, levels, colours, QuickDraw
    StatusSink *status = nullptr; ///< the busy text with its percentage
    int threads = 1; ///< threads of the 3D pass; 0 every core
    /// Asked on the calling thread now and then while the 3D pass runs, after the busy text
    /// has been updated; false abandons the pass, which leaves the picture as it was.
    std::function<bool()> carryOn{};
};
