#pragma once
// A scripted user for the control panel: answers its dialogs and menu from
// the test, and keeps the messages it would have shown.

#include "imageio/qt/picture_io.h"
#include "panel/form1.h"
#include "panel/picture_view.h"

#include <QAction>
#include <QMenu>
#include <QStringList>
#include <QTest>

namespace gloamery::testing {

struct ScriptedUser {
    QString openAnswer, saveAnswer; // empty: the user cancels
    QString openFilter, saveFilter; // as last asked
    QString openTitle, saveTitle;
    int opens = 0, saves = 0, menus = 0;
    QString menuChoice;             // objectName of the item to pick
    QStringList messages;
    bool workAtSize = false;         // the answer to "work at its size?"
    QSize askedImage, askedMap;      // as last asked
    std::optional<QSize> mapSizeAnswer;
    QSize offeredMapSize;            // what the size dialog last showed
    panel::CloseAnswer closeAnswer{panel::CloseAnswer::Discard, false};
    QList<QStringList> closeQuestions; // the unsaved pictures named, each time asked

    panel::Prompts prompts()
    {
        panel::Prompts p;
        p.openFile = [this](QWidget*, const QString& title, const QString& filter) {
            ++opens;
            openTitle = title;
            openFilter = filter;
            return openAnswer;
        };
        p.saveFile = [this](QWidget*, const QString& title, const QString& filter) {
            ++saves;
            saveTitle = title;
            saveFilter = filter;
            return saveAnswer;
        };
        p.message = [this](QWidget*, const QString& text) { messages << text; };
        p.showMenu = [this](QMenu& menu, const QPoint&) -> QAction* {
            ++menus;
            return menuChoice.isEmpty() ? nullptr : menu.findChild<QAction*>(menuChoice);
        };
        p.workAtImageSize = [this](QWidget*, QSize image, QSize map) {
            askedImage = image;
            askedMap = map;
            return workAtSize;
        };
        p.mapSize = [this](QWidget*, QSize offered) {
            offeredMapSize = offered;
            return mapSizeAnswer;
        };
        p.closeWithUnsaved = [this](QWidget*, const QStringList& unsaved) {
            closeQuestions << unsaved;
            return closeAnswer;
        };
        return p;
    }
};

// A right press on a picture, then the named menu item.
inline void useMenu(panel::Form1& form, ScriptedUser& user, Slot slot, const char* item)
{
    user.menuChoice = QString::fromLatin1(item);
    QTest::mousePress(&form.pictureView(slot), Qt::RightButton, {}, QPoint(10, 10));
}

// Empty when equal, else where the first difference lies.
inline QString firstDifference(const Picture& a, const Picture& b)
{
    if (a.width() != b.width() || a.height() != b.height()) return QStringLiteral("sizes differ");
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.at(x, y) != b.at(x, y))
                return QStringLiteral("at %1,%2: %3 vs %4").arg(x).arg(y).arg(a.at(x, y), 6, 16).arg(b.at(x, y), 6, 16);
    return {};
}

inline QString firstDifference(const Workspace& a, const Workspace& b)
{
    for (int s = 0; s < kSlotCount; ++s) {
        const QString d = firstDifference(slotPicture(a, Slot(s)), slotPicture(b, Slot(s)));
        if (!d.isEmpty()) return QStringLiteral("Picture%1 ").arg(s + 1) + d;
    }
    return {};
}

inline Workspace defaultWorkspace()
{
    Workspace ws;
    loadDefaultPictures(ws);
    return ws;
}

} // namespace gloamery::testing
