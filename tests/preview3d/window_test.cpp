// The 3D view window: its layout and design values at every size, and how
// it opens, closes and goes on working without GL.

#include "view_test_support.h"

class WindowTest : public ViewTest {
    Q_OBJECT

private slots:
    void layoutAndDesignValues()
    {
        frm3D v(ws_, grids_);
        open(v, false);
        QVERIFY(v.GLReady());
        QCOMPARE(v.windowTitle(), QStringLiteral("3D View"));
        QCOMPARE(v.size(), QSize(906, 713));
        // A sizable window that can be minimised and maximised.
        QVERIFY(v.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(v.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

        struct Expected {
            QWidget* w;
            QString text;
            QRect px;
        };
        const Expected controls[] = {
            {v.Disp, {}, {4, 4, 897, 673}},
            {v.Command2, "Auto Rotate on X", {4, 681, 105, 29}}, // first row follows Disp, 60 twips below it
            {v.Command3, "Auto Rotate on Y", {112, 681, 105, 29}},
            {v.Command4, "Auto Render", {220, 681, 113, 29}},
            {v.Check1, "Detail texture", {340, 680, 97, 25}},
            {v.Check2, "Incremental mapping", {440, 680, 121, 25}},
            {v.Text1, "32", {564, 684, 37, 21}},
            {v.pulRes, "Rescale", {604, 684, 77, 25}},
            {v.Command1, "Command1", {852, 684, 45, 21}},
            {v.HScroll1, {}, {688, 684, 161, 25}},
        };
        for (const auto& c : controls) {
            QVERIFY2(c.w->geometry() == c.px, qPrintable(c.w->metaObject()->className() + QStringLiteral(" ") + c.text));
            if (auto* b = qobject_cast<QAbstractButton*>(c.w)) QCOMPARE(b->text(), c.text);
        }
        QVERIFY(!v.Command1->isVisible());
        QCOMPARE(v.Text1->text(), QStringLiteral("32"));
        QVERIFY(v.Check1->isChecked());
        QVERIFY(!v.Check2->isChecked());
        QCOMPARE(v.HScroll1->minimum(), 1);
        QCOMPARE(v.HScroll1->maximum(), 1000);
        QCOMPARE(v.HScroll1->value(), 100);
        QCOMPARE(v.HScroll1->singleStep(), 1);
        QCOMPARE(v.HScroll1->pageStep(), 1);
        QCOMPARE(v.Timer1->interval(), 33);
        QCOMPARE(v.Timer2->interval(), 33);
        QCOMPARE(v.Timer3->interval(), 50);
        QVERIFY(!v.Timer1->isActive());
        QVERIFY(!v.Timer2->isActive());
        QVERIFY(v.Timer3->isActive());

        // Disp holds the focus, and Tab runs from it through the design order.
        QCOMPARE(v.focusWidget(), static_cast<QWidget*>(v.Disp));
        const std::vector<QWidget*> order = {v.Disp, v.Command2, v.Command3, v.Command4, v.Check1,
                                             v.Check2, v.Text1, v.pulRes, v.Command1, v.HScroll1};
        std::vector<QWidget*> chain;
        QWidget* w = v.Disp;
        do {
            if (!w->isWindow() && (w->focusPolicy() & Qt::TabFocus)) chain.push_back(w);
            w = w->nextInFocusChain();
        } while (w != v.Disp && chain.size() < 20);
        QVERIFY(chain == order);

        // The mesh spread over -4..4 model units.
        QCOMPARE(v.camera().scale(), 32.0);
        QCOMPARE(v.camera().offsetZ(), -5.0f);
        QVERIFY(messages_.empty());
    }

    void resizeLaysOutDispAndFirstRow_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QSize>("disp");
        QTest::addColumn<int>("buttonTop");
        QTest::newRow("design") << QSize(906, 713) << QSize(897, 673) << 681;
        QTest::newRow("larger") << QSize(1200, 900) << QSize(1191, 860) << 868;
        QTest::newRow("smaller") << QSize(400, 300) << QSize(391, 260) << 268;
        QTest::newRow("too small: clamped at 0") << QSize(6, 30) << QSize(0, 0) << 8;
    }

    void resizeLaysOutDispAndFirstRow()
    {
        QFETCH(QSize, client);
        QFETCH(QSize, disp);
        QFETCH(int, buttonTop);
        frm3D v(ws_, grids_);
        open(v);
        v.resize(client);
        QCOMPARE(v.size(), client);
        QCOMPARE(v.Disp->geometry(), QRect(QPoint(4, 4), disp));
        for (QWidget* b : {v.Command2, v.Command3, v.Command4}) QCOMPARE(b->y(), buttonTop);
        // The rest of the bottom row stays put.
        QCOMPARE(v.Check1->geometry(), QRect(340, 680, 97, 25));
        QCOMPARE(v.HScroll1->geometry(), QRect(688, 684, 161, 25));
        if (!disp.isEmpty()) {
            v.Disp->makeCurrent();
            GLint vp[4];
            glGetIntegerv(GL_VIEWPORT, vp);
            QCOMPARE(QSize(vp[2], vp[3]), disp);
            QVERIFY(!frame(v).isNull());
        }
        QVERIFY(messages_.empty());
    }

    void minimisedWindowKeepsItsLayout()
    {
        frm3D v(ws_, grids_);
        open(v);
        const QRect before = v.Disp->geometry();
        v.setWindowState(Qt::WindowMinimized);
        QVERIFY(v.isMinimized());
        v.resize(500, 400);
        v.Form_Resize();
        QCOMPARE(v.Disp->geometry(), before);
        v.setWindowState(Qt::WindowNoState);
        v.Form_Resize();
        QCOMPARE(v.Disp->geometry(), QRect(4, 4, 491, 360));
    }

    // However large the window, the drawing area lies beneath the bottom
    // controls that keep their design places: each is what a click at its
    // centre reaches, and the click works.
    void fixedControlsStayAboveTheDrawingArea_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("fault");
        QTest::newRow("design") << QSize(906, 713) << int(frm3D::GLFault::None);
        QTest::newRow("taller") << QSize(906, 900) << int(frm3D::GLFault::None);
        QTest::newRow("maximised on a large screen") << QSize(1600, 1200) << int(frm3D::GLFault::None);
        QTest::newRow("wider and taller") << QSize(1300, 800) << int(frm3D::GLFault::None);
        QTest::newRow("taller, without GL") << QSize(1200, 1000) << int(frm3D::GLFault::NoContext);
    }

    void fixedControlsStayAboveTheDrawingArea()
    {
        QFETCH(QSize, client);
        QFETCH(int, fault);
        frm3D v(ws_, grids_);
        v.injectGLFault(frm3D::GLFault(fault));
        open(v);
        v.resize(client);
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QWidget* area = v.dispWidget();
        QVERIFY(area);
        // The new size reaches the widgets through the event loop, later on
        // a busy machine.
        QTRY_COMPARE(v.size(), client);
        QTRY_VERIFY(client.height() <= 713 || area->geometry().contains(v.Check1->geometry().center()));
        QVERIFY2(v.childAt(area->geometry().center()) == area, "the drawing area is not the window's back layer");
        for (QWidget* c : std::initializer_list<QWidget*>{v.Check1, v.Check2, v.Text1, v.pulRes, v.HScroll1, v.Command2,
                                                          v.Command3, v.Command4}) {
            const QPoint centre = c->geometry().center();
            QWidget* hit = v.childAt(centre);
            QVERIFY2(hit && (hit == c || c->isAncestorOf(hit)),
                     qPrintable(c->metaObject()->className() + QStringLiteral(" at ") + QString::number(centre.y())
                                + QStringLiteral(" is covered by ")
                                + (hit ? hit->metaObject()->className() : "nothing")));
        }
        if (client.height() > 713) // the case of the report: the area reaches over them
            QVERIFY(area->geometry().contains(v.Check1->geometry().center()));

        // Clicked through the window, as the pointer does.
        QTest::mouseClick(v.windowHandle(), Qt::LeftButton, {}, v.Check1->geometry().center());
        QVERIFY(!v.Check1->isChecked());
        QTest::mouseClick(v.windowHandle(), Qt::LeftButton, {}, v.Check2->geometry().center());
        QVERIFY(v.Check2->isChecked());
        v.Text1->setText(QStringLiteral("16"));
        QTest::mouseClick(v.windowHandle(), Qt::LeftButton, {}, v.pulRes->geometry().center());
        QCOMPARE(v.camera().scale(), 16.0);
        const int speed = v.HScroll1->value();
        const QRect bar = v.HScroll1->geometry();
        QTest::mouseClick(v.windowHandle(), Qt::LeftButton, {}, QPoint(bar.right() - 3, bar.center().y()));
        QVERIFY(v.HScroll1->value() > speed);
        QCOMPARE(messages_.size(), std::size_t(fault == int(frm3D::GLFault::None) ? 0 : 1));
    }

    // Only the close box closes the view: Escape does nothing wherever the
    // focus is.
    void escapeNeverClosesTheWindow()
    {
        frm3D v(ws_, grids_);
        open(v);
        v.Text1->setText(QStringLiteral("16"));
        for (QWidget* w : std::initializer_list<QWidget*>{v.Disp, v.Text1, v.Command2, v.pulRes, v.Check1, v.HScroll1}) {
            w->setFocus();
            QTest::keyClick(w, Qt::Key_Escape);
            QVERIFY2(v.isVisible() && v.isLoaded(), w->metaObject()->className());
            QCOMPARE(v.Text1->text(), QStringLiteral("16"));
        }
        QVERIFY(messages_.empty());
    }

    // Tab leaves the drawing area for the next control, with or without GL,
    // and moves nothing.
    void tabLeavesTheDrawingArea_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("with GL") << int(frm3D::GLFault::None);
        QTest::newRow("without GL") << int(frm3D::GLFault::NoContext);
    }

    void tabLeavesTheDrawingArea()
    {
        QFETCH(int, fault);
        frm3D v(ws_, grids_);
        v.injectGLFault(frm3D::GLFault(fault));
        open(v);
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QWidget* area = v.dispWidget();
        QCOMPARE(v.focusWidget(), area);
        QTest::keyClick(area, Qt::Key_Tab);
        QCOMPARE(v.focusWidget(), static_cast<QWidget*>(v.Command2));
        QCOMPARE(v.camera().offsetX(), 0.0f);
        QCOMPARE(v.camera().offsetZ(), -5.0f);
    }

    // The real modal path: showModal returns when the window is closed.
    void closeAndReopen()
    {
        fillGrids(ws_, grids_, -0.5f, 0.2f, 0.9f, 0.2f, 255);
        frm3D v(ws_, grids_);
        v.messageBox = [this](QMessageBox::Icon i, const QString& t, const QString& s) {
            messages_.push_back({i, t, s});
        };
        float angleX = 0, angleY = 0, offsetX = 0;
        // A failed check inside a modal run must not leave it open.
        QTimer guard;
        guard.setInterval(5000);
        QObject::connect(&guard, &QTimer::timeout, &v, [&] { v.close(); });
        guard.start();
        bool ranFirst = false, ranSecond = false;

        QTimer::singleShot(50, &v, [&] {
            ranFirst = true;
            QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(&v));
            sendMouse(v.Disp, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
            v.HScroll1->setValue(1000);
            sendMouse(v.Disp, QEvent::MouseMove, {130, 120}, Qt::NoButton, Qt::LeftButton);
            QTest::keyClick(v.Disp, Qt::Key_Right);
            QTest::keyClick(v.Disp, Qt::Key_Up);
            QCOMPARE(v.camera().offsetZ(), -15.0f);
            v.Text1->setText(QStringLiteral("64"));
            v.pulRes_Click();
            v.Check1->setChecked(false);
            v.Check2->setChecked(true);
            v.Command2_Click();
            v.Text1->setFocus();
            v.resize(700, 500);
            angleX = v.camera().angleX();
            angleY = v.camera().angleY();
            offsetX = v.camera().offsetX();
            v.close();
        });
        v.showModal();
        QVERIFY(ranFirst);
        QVERIFY(!v.isVisible());
        QVERIFY(!v.isLoaded());
        QVERIFY(!v.GLReady());
        QVERIFY(v.Disp == nullptr);
        for (QTimer* t : {v.Timer1, v.Timer2, v.Timer3}) QVERIFY(!t->isActive());

        QTimer::singleShot(50, &v, [&] {
            ranSecond = true;
            QVERIFY(v.GLReady());
            QCOMPARE(v.camera().angleX(), angleX);
            QCOMPARE(v.camera().angleY(), angleY);
            QCOMPARE(v.camera().offsetX(), offsetX);
            QCOMPARE(v.camera().lastMouseX(), 130);
            QCOMPARE(v.camera().lastMouseY(), 120);
            QCOMPARE(v.camera().offsetZ(), -5.0f);
            QCOMPARE(v.camera().scale(), 32.0);
            QCOMPARE(v.Text1->text(), QStringLiteral("32"));
            QCOMPARE(v.HScroll1->value(), 100);
            QVERIFY(v.Check1->isChecked());
            QVERIFY(!v.Check2->isChecked());
            QVERIFY(!v.Timer1->isActive());
            QVERIFY(v.Timer3->isActive());
            QCOMPARE(v.size(), QSize(906, 713));
            QCOMPARE(v.Disp->geometry(), QRect(4, 4, 897, 673));
            QCOMPARE(v.focusWidget(), static_cast<QWidget*>(v.Disp));
            // A new context with texturing on and the texture in it.
            v.Disp->makeCurrent();
            glActiveTexture(GL_TEXTURE1);
            QVERIFY(glIsEnabled(GL_TEXTURE_2D));
            glActiveTexture(GL_TEXTURE0);
            QVERIFY(glIsTexture(v.Disp->terrain().detailTexture()));
            lookDown(v);
            v.camera().move(ViewCamera::Move::Left, 1000); // back over the centre
            const QRgb c = centre(frame(v));
            QVERIFY2(near(c, 51, 230, 51, 3), qPrintable(rgb(c)));
            v.close();
        });
        v.showModal();
        QVERIFY(ranSecond);
        QVERIFY(!v.isLoaded());
        QVERIFY(messages_.empty());
    }

    void failedContextIsReportedAndNeverUsed_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("text");
        QTest::newRow("no context") << int(frm3D::GLFault::NoContext)
                                    << QStringLiteral("Impossibile scegliere il PixelFormat.");
        QTest::newRow("context lacks what was asked") << int(frm3D::GLFault::WrongFormat)
                                                      << QStringLiteral("Impossibile settare il Pixel Format!");
    }

    void failedContextIsReportedAndNeverUsed()
    {
        QFETCH(int, fault);
        QFETCH(QString, text);
        frm3D v(ws_, grids_);
        v.injectGLFault(frm3D::GLFault(fault));
        open(v, false);
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(messages_[0].icon, QMessageBox::Critical);
        QCOMPARE(messages_[0].title, QStringLiteral("ERRORE"));
        QCOMPARE(messages_[0].text, text);
        QVERIFY(!v.GLReady());
        QVERIFY(v.isVisible());
        // Without a context no GL drawing area is made at all (once shown, it
        // would switch the window to GL composition, which then crashes);
        // a plain stand-in takes the keys and the mouse in its place.
        const bool noContext = frm3D::GLFault(fault) == frm3D::GLFault::NoContext;
        QCOMPARE(v.Disp == nullptr, noContext);
        QCOMPARE(v.DispNoGL != nullptr, noContext);
        QWidget* area = v.dispWidget();
        QVERIFY(area && area->isVisible());
        QCOMPARE(area->geometry(), QRect(4, 4, 897, 673));
        QCOMPARE(v.focusWidget(), area);

        // Everything still works, without a GL call.
        QVERIFY(v.Timer3->isActive());
        QTest::mouseClick(v.Command2, Qt::LeftButton);
        QTest::mouseClick(v.Command3, Qt::LeftButton);
        QTRY_VERIFY(v.camera().angleX() >= 4.0f && v.camera().angleY() >= 4.0f);
        QTest::keyClick(area, Qt::Key_Left);
        QCOMPARE(v.camera().offsetX(), -1.0f);
        sendMouse(area, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(v.camera().lastMouseX(), 10);
        v.Check1->setChecked(false);
        v.Check1->setChecked(true);
        v.Text1->setText(QStringLiteral("16"));
        v.pulRes_Click();
        QCOMPARE(v.camera().scale(), 16.0);
        v.resize(1000, 800);
        QCOMPARE(area->geometry(), QRect(4, 4, 991, 760));
        area->repaint();
        QTest::qWait(100);
        QCOMPARE(v.framesDrawn(), 0L);
        QCOMPARE(v.glOperations(), 0L);
        QCOMPARE(messages_.size(), std::size_t{1});

        v.close();
        QVERIFY(!v.isLoaded());
        QVERIFY(!v.isVisible());
        QVERIFY(!v.dispWidget());

        // Once a context can be had again, the next opening draws.
        v.injectGLFault(frm3D::GLFault::None);
        open(v);
        QVERIFY(v.GLReady());
        QVERIFY(v.Disp && !v.DispNoGL);
        QVERIFY(!frame(v).isNull());
        QCOMPARE(v.framesDrawn(), 1L);
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
