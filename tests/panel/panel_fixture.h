#pragma once
// The set-up the panel's window tests share: a fresh panel for each test,
// shown and exposed, answering through a scripted user, with a fresh folder
// for the files it writes.

#include "panel_support.h"

#include <QImage>
#include <QPoint>
#include <QTemporaryDir>

#include <memory>

namespace gloamery::testing {

class PanelFixture : public QObject {
    Q_OBJECT

protected:
    ScriptedUser user;
    std::unique_ptr<panel::Form1> form;
    std::unique_ptr<QTemporaryDir> dir;

    // A new panel answering as `answers` says, shown and exposed.
    void openForm(ScriptedUser answers = {});

    template <class W>
    W* the(const QString& name) { return form->findChild<W*>(name); }
    template <class W>
    W* the(const char* name) { return the<W>(QString::fromLatin1(name)); }
    void click(const char* button);
    QString file(const QString& name) const { return dir->filePath(name); }
    QString file(const char* name) const { return file(QString::fromLatin1(name)); }

    // The pointer moved over the height map with the left button held.
    void moveHeld(QPoint pos);

    // A file of these bytes in the test's folder; false if it cannot be written.
    bool writeFile(const QString& path, const QByteArray& bytes);
    // "Load Picture" on a map's menu, the file dialog answered with `path`.
    void loadInto(Slot slot, const QString& path);

    // The sun's and the texture's inputs as typed and set by hand.
    struct Inputs {
        const char* x0;
        const char* y0;
        const char* decay;
        int texture;  // HScroll1
        int darkness; // HScroll2
        bool blur;
    };
    void enter(const Inputs& in);

protected slots:
    void init();
    void cleanup() { form.reset(); }
};

// A grey ramp that repeats every 200 levels, shifted by `seed`.
QImage greyRamp(QSize size, int seed = 0);

} // namespace gloamery::testing
