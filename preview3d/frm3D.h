#pragma once
// The 3D view window: the height field of the workspace drawn as a
// coloured, detail-textured mesh with legacy OpenGL (see TerrainMesh),
// turned by mouse, keys and timers.

#include "terrain_mesh.h"
#include "workspace/workspace.h"

#include <QDialog>
#include <QMessageBox>
#include <QOpenGLWidget>
#include <QRect>
#include <QSurfaceFormat>

#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;
class frm3D;

// The drawing area. Hands every GL callback and every key and mouse event
// to the window that owns it.
class DispArea final : public QOpenGLWidget {
public:
    DispArea(frm3D& owner, QWidget* parent);

protected:
    void initializeGL() override {}
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    frm3D& owner_;
};

// What stands where the drawing area would be when no OpenGL context can
// be had: a black area that says so and takes the keys and the mouse like
// the drawing area, without any GL behind it. A QOpenGLWidget must not be
// made then: once shown, it switches its window to GL composition, and
// with no GL at all Qt's flush of that window crashes.
class DispStandIn final : public QWidget {
public:
    DispStandIn(frm3D& owner, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    frm3D& owner_;
};

class frm3D : public QDialog {
    Q_OBJECT
public:
    explicit frm3D(const gloamery::Workspace& grids, QWidget* parent = nullptr);
    ~frm3D() override;

    // Loads the window, shows it modally until the user closes it, then
    // unloads it. The one instance keeps its view angles between openings.
    void showModal();

    // The load: resets the controls to their design values, rebuilds the
    // tables, shows the window and makes its GL context and texture. Unload
    // (on close) stops the timers and gives the context back.
    void Form_Load();
    void Form_Unload();

    // GL set-up on the drawing area's context. False when no usable context
    // could be had (no drawing area at all, when the probe found none); the
    // user has then been told and no GL call follows.
    bool Init();
    void LoadTexture();
    void UnloadGL();
    void ResizeGL(double width, double height);
    void Form_Resize();

    // The render operation: asks the drawing area for a frame, which
    // paintGL draws.
    void Command1_Click();
    void pulRes_Click(); // "Rescale"
    void Command2_Click(); // "Auto Rotate on X"
    void Command3_Click(); // "Auto Rotate on Y"
    void Command4_Click(); // "Auto Render"
    void Check1_Click();   // "Detail texture"

    void Disp_KeyDown(int qtKey);
    void Disp_MouseDown(Qt::MouseButton button, double x, double y);
    void Disp_MouseMove(Qt::MouseButtons buttons, double x, double y);

    // What a context must offer: compatibility (legacy) GL, double
    // buffering, at least 24 colour and 16 depth bits. Empty when the format
    // has all of that, else what it lacks.
    static QString formatShortfall(const QSurfaceFormat& f);
    static QSurfaceFormat requestedFormat();
    // Whether a context of the requested format can be made at all, tried
    // on a context of its own before any drawing area exists.
    static bool contextCanBeMade();

    // Tests swap these in: the message box, and a context that fails.
    // NoContext fails the probe, as a display without any OpenGL does, so
    // no drawing area is made; WrongFormat gets a context that lacks what
    // was asked.
    using MessageBoxFn = std::function<void(QMessageBox::Icon, const QString& title, const QString& text)>;
    MessageBoxFn messageBox;
    enum class GLFault { None, NoContext, WrongFormat };
    void injectGLFault(GLFault f) { fault_ = f; }

    // View state. The angles, OffsetX and the mouse position survive a
    // reload; the rest is set again by every load.
    float AngleX = 0.0f;
    float AngleY = 0.0f;
    float OffsetX = 0.0f;
    float OffsetZ = -5.0f;
    std::int32_t LastMouseX = 0;
    std::int32_t LastMouseY = 0;
    std::array<float, 257> VertexCoord{};
    std::array<float, 257> TexCoord{};

    bool GLReady() const { return glReady_; }
    // The tiled detail texture, and the terrain that holds it.
    unsigned TextureName() const { return terrain_.detailTexture(); }
    const TerrainMesh& terrain() const { return terrain_; }
    bool isLoaded() const { return loaded_; }
    // Frames drawn and GL operations entered since construction: a failed
    // set-up must leave both at zero.
    long framesDrawn() const { return framesDrawn_; }
    long glOperations() const { return glOperations_; }

    // Controls, by their design names. Disp exists only while loaded, and
    // only when a GL context can be had; otherwise the stand-in takes its
    // place. dispWidget() is whichever of the two is there.
    DispArea* Disp = nullptr;
    DispStandIn* DispNoGL = nullptr;
    QWidget* dispWidget() const;
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

protected:
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void done(int r) override;

private:
    friend class DispArea;
    void paintFrame();
    void drawFrame();
    void viewResized();
    void placeControls();

    const gloamery::Workspace& grids_;
    GLFault fault_ = GLFault::None;
    bool loaded_ = false;
    bool glReady_ = false;
    TerrainMesh terrain_;
    // The number "Rescale" was last given (32 at load).
    double meshScale_ = 32.0;
    bool renderRequested_ = false;
    bool frameValid_ = false;
    long framesDrawn_ = 0;
    long glOperations_ = 0;
    // Disp and the first row of buttons move on resize; kept in twips.
    int dispWidthTw_ = 0;
    int dispHeightTw_ = 0;
    int command2TopTw_ = 0;
};
