#include "panel_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>

namespace gloamery::testing {

void PanelFixture::openForm(ScriptedUser answers)
{
    user = std::move(answers);
    form = std::make_unique<panel::Form1>(user.prompts());
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
}

void PanelFixture::click(const char* button)
{
    QTest::mouseClick(the<QPushButton>(button), Qt::LeftButton);
}

void PanelFixture::moveHeld(QPoint pos)
{
    QWidget& view = form->pictureView(Slot::Height);
    QMouseEvent move(QEvent::MouseMove, pos, view.mapToGlobal(pos), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&view, &move);
}

bool PanelFixture::writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void PanelFixture::loadInto(Slot slot, const QString& path)
{
    user.openAnswer = path;
    useMenu(*form, user, slot, "mnpopload");
}

void PanelFixture::enter(const Inputs& in)
{
    the<QLineEdit>("X0")->setText(QString::fromLatin1(in.x0));
    the<QLineEdit>("Y0")->setText(QString::fromLatin1(in.y0));
    the<QLineEdit>("Alt")->setText(QString::fromLatin1(in.decay));
    the<QScrollBar>("HScroll1")->setValue(in.texture);
    the<QScrollBar>("HScroll2")->setValue(in.darkness);
    the<QCheckBox>("SwiBlur")->setChecked(in.blur);
}

void PanelFixture::init()
{
    dir = std::make_unique<QTemporaryDir>();
    openForm();
}

QImage greyRamp(QSize size, int seed)
{
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const int h = (x * 7 + y * 3 + seed) % 200 + 30;
            img.setPixel(x, y, qRgb(h, h, h));
        }
    return img;
}

} // namespace gloamery::testing
