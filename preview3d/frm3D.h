#pragma once
// The 3D view window.

#include "workspace/workspace.h"

#include <QDialog>

class frm3D : public QDialog {
    Q_OBJECT
public:
    explicit frm3D(const gloamery::Workspace& grids, QWidget* parent = nullptr);

    // Loads the window, shows it modally until the user closes it, then
    // unloads it. The one instance keeps its view angles between openings.
    void showModal();

private:
    const gloamery::Workspace& grids_;
};
