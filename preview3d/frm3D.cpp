#include "frm3D.h"

// Placeholder until the real view lands.
frm3D::frm3D(const gloamery::Workspace& grids, QWidget* parent) : QDialog(parent), grids_(grids)
{
    setWindowTitle(QStringLiteral("3D View"));
}

void frm3D::showModal() { exec(); }
