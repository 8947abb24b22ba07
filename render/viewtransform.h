#pragma once

#include "model/vector3.h"

#include <optional>

/// The one orthographic view through which model points reach the drawing area. The owner
/// (the main window, or the command-line renderer) holds a single instance for its whole run.
struct ViewTransform
{
    double scale = 32.0; ///< screen pixels per Angstrom
    double originX = 0.0; ///< screen x of the view centre
    double originY = 0.0; ///< screen y of the view centre
    /// The model point (Angstrom) drawn at (originX, originY): the point the view turns about
    /// and zooms about. The model origin unless the user or the file's layout moves it.
    Vector3 centre{};
    Vector3 upHint{0.0, 1.0, 0.0};
    Vector3 axisX{1.0, 0.0, 0.0}; ///< model direction running right on screen
    Vector3 axisY{0.0, 1.0, 0.0}; ///< model direction running down the screen
    Vector3 axisZ{0.0, 0.0, 1.0}; ///< depth direction; a smaller depth is nearer

    /// Puts the view in its start state: unturned, 32 pixels per Angstrom, centred on the model
    /// origin, drawn at (0, 0).
    void resetView();
    /// Rebuilds the three rows from a viewing direction and an up hint; an absent argument
    /// keeps the stored axisZ or upHint. An up hint along the direction falls back to (0, 1, 0).
    void orientView(std::optional<Vector3> direction, std::optional<Vector3> up);
    /// Turns the view by γ about the screen y axis, then β about the screen x axis, then α
    /// about the depth axis (radians); an angle of exactly 0 leaves its step out.
    void rotateView(double alpha, double beta, double gamma);
    /// Screen x and y (pixels) and depth of the model point p.
    Vector3 projectToScreen(const Vector3 &p) const;
    /// Moves the view centre so that the picture moves by (dx, dy) pixels on screen.
    void panView(double dx, double dy);
    /// Multiplies scale by factor, moving the view centre so that the model point drawn at
    /// screen (x, y) stays there.
    void zoomAbout(double factor, double x, double y);
    /// The model point whose projection is s. A scale of 0 maps every s to the model origin
    /// rather than dividing by zero.
    Vector3 screenToModel(const Vector3 &s) const;
};

/// The direction of the screen offset (dx, dy) as an angle in [0, 2π); since screen y grows
/// downwards, growing angles run clockwise. (0, 0) gives π/2.
double polarAngle(double dy, double dx);
