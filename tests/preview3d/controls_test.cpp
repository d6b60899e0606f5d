// How the 3D view's controls, keys, drags and timers change the view.

#include "view_test_support.h"

class ControlsTest : public ViewTest {
    Q_OBJECT

private slots:
    void rescaleRefusesWhatIsNotAScale_data()
    {
        QTest::addColumn<QString>("text");
        for (const char* t : {"", "abc", "12abc", "0", "-0", "0.0", "nan", "inf", "1e400"}) QTest::newRow(t) << t;
        // Non-zero, but 128 / v overflows a 32-bit float: the mesh would be infinite.
        for (const char* t : {"1e-40", "-3.7e-37", "1e-310"}) QTest::newRow(t) << t;
    }

    void rescaleRefusesWhatIsNotAScale()
    {
        QFETCH(QString, text);
        frm3D v(ws_, grids_);
        open(v);
        v.Text1->setText(QStringLiteral("64"));
        v.pulRes_Click();
        const double before = v.camera().scale();
        v.Text1->setText(text);
        QTest::mouseClick(v.pulRes, Qt::LeftButton);
        QCOMPARE(v.camera().scale(), before);
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(messages_[0].icon, QMessageBox::Warning);
        QVERIFY2(messages_[0].text.contains(QLatin1Char('"') + text + QLatin1Char('"')), qPrintable(messages_[0].text));
    }

    void keysMoveTheMesh_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("speed");
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dz");
        QTest::newRow("left") << int(Qt::Key_Left) << 0 << 100 << -1.0 << 0.0;
        QTest::newRow("A") << int(Qt::Key_A) << 0 << 100 << -1.0 << 0.0;
        QTest::newRow("shift+A") << int(Qt::Key_A) << int(Qt::ShiftModifier) << 100 << -1.0 << 0.0;
        QTest::newRow("right at V 1") << int(Qt::Key_Right) << 0 << 1 << 0.01 << 0.0;
        QTest::newRow("D at V 1000") << int(Qt::Key_D) << 0 << 1000 << 10.0 << 0.0;
        QTest::newRow("up") << int(Qt::Key_Up) << 0 << 250 << 0.0 << -2.5;
        QTest::newRow("W") << int(Qt::Key_W) << 0 << 100 << 0.0 << -1.0;
        QTest::newRow("down") << int(Qt::Key_Down) << 0 << 37 << 0.0 << 0.37;
        QTest::newRow("S") << int(Qt::Key_S) << 0 << 100 << 0.0 << 1.0;
        QTest::newRow("Q: nothing") << int(Qt::Key_Q) << 0 << 100 << 0.0 << 0.0;
        QTest::newRow("Escape: nothing") << int(Qt::Key_Escape) << 0 << 100 << 0.0 << 0.0;
        QTest::newRow("Return: nothing") << int(Qt::Key_Return) << 0 << 100 << 0.0 << 0.0;
    }

    void keysMoveTheMesh()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, speed);
        QFETCH(double, dx);
        QFETCH(double, dz);
        frm3D v(ws_, grids_);
        open(v);
        v.camera().move(ViewCamera::Move::Right, 50);
        v.HScroll1->setValue(speed);
        float x = 0.5f, z = -5.0f;
        // A held key repeats its step.
        for (int press = 1; press <= 2; ++press) {
            QTest::keyClick(v.Disp, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            x = float(x + dx);
            z = float(z + dz);
            QCOMPARE(v.camera().offsetX(), x);
            QCOMPARE(v.camera().offsetZ(), z);
        }
        QVERIFY(v.isVisible()); // no key closes the window
        QVERIFY(!v.Timer1->isActive()); // nor presses a button
    }

    void dragTurnsTheMesh()
    {
        frm3D v(ws_, grids_);
        open(v);
        QWidget* d = v.Disp;

        // At the design speed: pixels / 901 degrees, from where the button went down.
        sendMouse(d, QEvent::MouseMove, {500, 500}, Qt::NoButton, Qt::NoButton);
        QCOMPARE(v.camera().lastMouseX(), 0); // a move without a button changes nothing
        sendMouse(d, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(v.camera().lastMouseX(), 100);
        QCOMPARE(v.camera().lastMouseY(), 100);
        QCOMPARE(v.camera().angleX(), 0.0f);
        sendMouse(d, QEvent::MouseMove, {190, 145}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(v.camera().angleY(), float(90.0 / 901));
        QCOMPARE(v.camera().angleX(), float(45.0 / 901));
        QCOMPARE(v.camera().lastMouseX(), 190);
        QCOMPARE(v.camera().lastMouseY(), 145);
        sendMouse(d, QEvent::MouseButtonRelease, {190, 145}, Qt::LeftButton, Qt::NoButton);

        // At speed 1000 one pixel is one degree; right, up: AngleY up, AngleX down.
        v.HScroll1->setValue(1000);
        v.camera().turnTo(0.0f, 0.0f);
        sendMouse(d, QEvent::MouseButtonPress, {10, 50}, Qt::LeftButton, Qt::LeftButton);
        sendMouse(d, QEvent::MouseMove, {13, 48}, Qt::NoButton, Qt::LeftButton);
        sendMouse(d, QEvent::MouseMove, {20, 40}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(v.camera().angleY(), 10.0f);
        QCOMPARE(v.camera().angleX(), -10.0f);

        // Other buttons only set the start point.
        for (Qt::MouseButtons held : {Qt::MouseButtons(Qt::RightButton), Qt::LeftButton | Qt::RightButton,
                                      Qt::MouseButtons(Qt::MiddleButton)}) {
            sendMouse(d, QEvent::MouseButtonPress, {30, 30}, Qt::RightButton, held);
            sendMouse(d, QEvent::MouseMove, {80, 90}, Qt::NoButton, held);
            QCOMPARE(v.camera().angleY(), 10.0f);
            QCOMPARE(v.camera().lastMouseX(), 30);
        }

        // Fractional pointer positions: the start rounds half to even, the
        // turn is measured from the stored whole pixel.
        sendMouse(d, QEvent::MouseButtonPress, {10.5, 11.5}, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(v.camera().lastMouseX(), 10);
        QCOMPARE(v.camera().lastMouseY(), 12);
        sendMouse(d, QEvent::MouseMove, {12.25, 11.5}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(v.camera().angleY(), float(10.0f + 2.25));
        QCOMPARE(v.camera().angleX(), float(-10.0f - 0.5));
        QCOMPARE(v.camera().lastMouseX(), 12);
        QCOMPARE(v.camera().lastMouseY(), 12);
    }

    void buttonsToggleTheTimers()
    {
        frm3D v(ws_, grids_);
        open(v, false);
        struct Case {
            QPushButton* button;
            QTimer* timer;
            float (ViewCamera::*angle)() const;
        } cases[] = {{v.Command2, v.Timer1, &ViewCamera::angleX}, {v.Command3, v.Timer2, &ViewCamera::angleY}};
        for (const Case& c : cases) {
            const auto angle = [&] { return (v.camera().*c.angle)(); };
            QTest::mouseClick(c.button, Qt::LeftButton);
            QVERIFY(c.timer->isActive());
            QTRY_VERIFY(angle() >= 6.0f);
            QTest::mouseClick(c.button, Qt::LeftButton);
            QVERIFY(!c.timer->isActive());
            const float stopped = angle();
            QCOMPARE(std::fmod(stopped, 2.0f), 0.0f);
            QTest::qWait(120);
            QCOMPARE(angle(), stopped);
        }

        // "Auto Render" runs from the load; its ticks draw frames.
        QVERIFY(v.Timer3->isActive());
        const long frames = v.framesDrawn();
        QTRY_VERIFY(v.framesDrawn() >= frames + 2);
        QTest::mouseClick(v.Command4, Qt::LeftButton);
        QVERIFY(!v.Timer3->isActive());
        QTest::mouseClick(v.Command4, Qt::LeftButton);
        QVERIFY(v.Timer3->isActive());
    }
};

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
