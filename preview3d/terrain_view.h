#pragma once
// The drawing area of the 3D view: its GL context's fixed state, the
// perspective of its viewport, and the frame: the terrain (TerrainMesh)
// seen from the camera. Frames are drawn only on request; in between the
// last one stays.

#include "terrain_mesh.h"
#include "view_camera.h"
#include "workspace/workspace.h"

#include <QOpenGLWidget>

class TerrainView final : public QOpenGLWidget {
public:
    TerrainView(const ViewCamera& camera, QWidget* parent);

    // Sets the context's fixed state and the viewport, once the area has
    // been shown with a usable context; every GL call waits for it.
    void setUp();
    bool ready() const { return ready_; }
    // The terrain's textures and buffers from the workspace's pictures and
    // the view's grids.
    void load(const gloamery::Workspace& ws, const gloamery::ViewGrids& grids);
    // The tiled detail texture on or off, from the next frame.
    void setDetail(bool on);
    // The viewport and the perspective for a drawing area of this many
    // device pixels (fractions from a scaled display).
    void setViewport(double width, double height);
    // Asks for a frame with the camera as it is then.
    void requestFrame();
    // Gives the context back before the area goes.
    void release();

    const TerrainMesh& terrain() const { return terrain_; }
    // Frames drawn and GL operations entered: without set-up both stay 0.
    long framesDrawn() const { return framesDrawn_; }
    long glOperations() const { return glOperations_; }

protected:
    void initializeGL() override {}
    void resizeGL(int w, int h) override;
    void paintGL() override;

private:
    // Makes the context current for one more GL operation.
    void enterGL();
    void drawFrame();

    const ViewCamera& camera_;
    TerrainMesh terrain_;
    bool ready_ = false;
    bool renderRequested_ = false;
    bool frameValid_ = false;
    long framesDrawn_ = 0;
    long glOperations_ = 0;
};
