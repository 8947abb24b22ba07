#pragma once

#include "model/chargegradient.h"
#include "model/frame.h"
#include "render/displaystate.h"
#include "render/redraw.h"
#include "render/scene.h"
#include "render/spherepicture.h"
#include "render/viewtransform.h"

#include <QImage>

#include <list>
#include <string>

/// One atom to put into a test frame.
struct TestAtom
{
    Vector3 position;
    AtomType *type = nullptr;
    double charge = 0.0;
    Vector3 impulse{};
};

/// A main window's drawing state in miniature: types, frames, switches, view and picture.
struct TestScene
{
    std::list<AtomType> types;
    FrameList frames;
    DisplayState display;
    ViewTransform view;
    SceneSettings settings;
    SceneScratch scratch;
    ChargeGradient gradient;
    bool readTime = true;
    bool readEnergy = true;
    QImage picture{481, 351, QImage::Format_RGB32};
    Frame *current = nullptr;

    TestScene()
    {
        view.resetView();
        view.originX = picture.width() / 2;
        view.originY = picture.height() / 2;
        display.ShowText = false;
        display.ShowImpulses = false;
        display.ShowLabels = false;
    }

    AtomType &addType(const std::string &name, std::uint32_t color, double radius)
    {
        types.push_back(createAtomType(color, name, 1, radius));
        return types.back();
    }

    Frame &addFrame(const std::vector<TestAtom> &atoms)
    {
        Frame frame;
        allocateAtoms(frame, static_cast<int>(atoms.size()));
        frame.atomCount = static_cast<int>(atoms.size());
        for (std::size_t i = 0; i < atoms.size(); ++i) {
            frame.atoms[i].position = atoms[i].position;
            frame.atoms[i].type = atoms[i].type;
            frame.atoms[i].charge = atoms[i].charge;
            frame.atoms[i].impulse = atoms[i].impulse;
        }
        Frame &added = frames.appendFrame(std::move(frame));
        if (!current)
            current = &added;
        return added;
    }

    RedrawInputs inputs()
    {
        return RedrawInputs{frames, current ? *current : frames.head(), frames.count(), display,
            view, settings, scratch, gradient, readTime, readEnergy, nullptr, {}};
    }

    void redraw(const Frame *frame = nullptr)
    {
        RedrawInputs in = inputs();
        redrawFrame(picture, frame, in);
    }

    /// The colour value 0x00BBGGRR at a pixel.
    std::uint32_t colorAt(int x, int y) const { return colorOfPixel(picture.pixel(x, y)); }
};
