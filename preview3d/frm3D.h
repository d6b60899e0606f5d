#pragma once
// The 3D view window: wires its controls, timers and drawing area to the
// camera (ViewCamera) and the terrain's drawing (TerrainView). Where no
// OpenGL context can be had, it says so and a stand-in (NoGLArea) takes the
// drawing area's place; the controls go on working.

#include "terrain_view.h"
#include "view_camera.h"
#include "workspace/workspace.h"

#include <QDialog>
#include <QMessageBox>

#include <functional>

class NoGLArea;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;
class ViewInput;

class frm3D : public QDialog {
    Q_OBJECT
public:
    // The view draws the workspace's colour and detail pictures over its
    // own grids (from CalculateMaps), which it keeps.
    frm3D(const gloamery::Workspace& ws, gloamery::ViewGrids grids, QWidget* parent = nullptr);
    ~frm3D() override;

    // Loads the window, shows it modally until the user closes it, then
    // unloads it. The one instance keeps its view angles between openings.
    void showModal();
    // New grids, for the next opening.
    void setGrids(gloamery::ViewGrids grids) { grids_ = std::move(grids); }
    const gloamery::ViewGrids& grids() const { return grids_; }

    // The camera: kept between openings (see ViewCamera::reload).
    const ViewCamera& camera() const { return camera_; }
    ViewCamera& camera() { return camera_; }

    // Tests swap these in: the message box, and a context that fails.
    // NoContext fails the probe, as a display without any OpenGL does, so
    // no drawing area is made; WrongFormat gets a context that lacks what
    // was asked.
    using MessageBoxFn = std::function<void(QMessageBox::Icon, const QString& title, const QString& text)>;
    MessageBoxFn messageBox;
    enum class GLFault { None, NoContext, WrongFormat };
    void injectGLFault(GLFault f) { fault_ = f; }

    bool GLReady() const { return Disp && Disp->ready(); }
    bool isLoaded() const { return loaded_; }
    // Frames drawn and GL operations entered by this opening's drawing area.
    long framesDrawn() const { return Disp ? Disp->framesDrawn() : 0; }
    long glOperations() const { return Disp ? Disp->glOperations() : 0; }
    // Whichever of the drawing area and its stand-in is there.
    QWidget* dispWidget() const;

    // Controls, by their design names. Disp exists only while loaded, and
    // only when a GL context can be had; otherwise DispNoGL stands there.
    TerrainView* Disp = nullptr;
    NoGLArea* DispNoGL = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* pulRes = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer3 = nullptr;

    // Design client size in pixels.
    static constexpr int kDesignWidth = 906;
    static constexpr int kDesignHeight = 713;

public slots:
    // The load: resets the controls to their design values, makes the
    // drawing area, shows the window and sets up its GL and terrain. Unload
    // (on close) stops the timers and gives the context back.
    void Form_Load();
    void Form_Unload();
    void Form_Resize();

    void Command1_Click(); // the render: asks the drawing area for a frame
    void pulRes_Click();   // "Rescale"
    void Command2_Click(); // "Auto Rotate on X"
    void Command3_Click(); // "Auto Rotate on Y"
    void Command4_Click(); // "Auto Render"
    void Check1_Click();   // "Detail texture"

    void Disp_KeyDown(int qtKey);
    void Disp_MouseDown(Qt::MouseButton button, double x, double y);
    void Disp_MouseMove(Qt::MouseButtons buttons, double x, double y);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void done(int r) override;

private:
    void makeControls();
    void connectControls();
    void makeDrawingArea();
    // GL set-up of a new drawing area; false, the user told why, when its
    // context is missing or lacks what was asked.
    bool Init();
    void dropDrawingArea();
    void placeControls();

    const gloamery::Workspace& ws_;
    gloamery::ViewGrids grids_;
    ViewCamera camera_;
    ViewInput* input_ = nullptr;
    GLFault fault_ = GLFault::None;
    bool loaded_ = false;
};
