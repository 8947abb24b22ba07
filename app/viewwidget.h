#pragma once

#include <QWidget>

class TMainForm;

/// The picture area of the main window. It holds no state: it paints the main window's
/// ViewBitmap and hands its resize, mouse, wheel and key events to the main window.
class TViewWidget : public QWidget
{
    Q_OBJECT

public:
    /// Builds the area for the given main window, which outlives it.
    explicit TViewWidget(TMainForm &main);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    TMainForm &Main;
};
