// The 3D view of maps of other sizes than 256 x 256: the same width, the
// same colours, the same controls.

#include "view_test_support.h"

class SizesTest : public ViewTest {
    Q_OBJECT

private slots:
    // Any size: seen from above with the whole mesh in sight, a level map
    // shows its colour (times the detail grey) at the centre, and no red
    // wall along any edge.
    void levelMapOfAnySizeShowsItsColour_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("detail");
        QTest::addColumn<bool>("perPoint");
        for (QSize s : {QSize(1, 1), QSize(37, 23), QSize(256, 256), QSize(300, 200), QSize(1024, 1024), QSize(2049, 600)})
            for (int detail : {255, 128})
                QTest::newRow(qPrintable(QStringLiteral("%1x%2 detail %3").arg(s.width()).arg(s.height()).arg(detail)))
                    << s << detail << (s == QSize(256, 256));
    }

    void levelMapOfAnySizeShowsItsColour()
    {
        QFETCH(QSize, size);
        QFETCH(int, detail);
        QFETCH(bool, perPoint);
        buildLevelMap(ws_, grids_, size.width(), size.height(), gloamery::compose(90, 160, 200), detail);
        frm3D v(ws_, grids_);
        open(v);
        QCOMPARE(v.Disp->terrain().coloursPerPoint(), perPoint);
        lookDown(v);
        v.Text1->setText(QStringLiteral("64"));
        v.pulRes_Click();
        const QImage img = frame(v);
        const QRgb c = centre(img);
        QVERIFY2(near(c, 90 * detail / 255, 160 * detail / 255, 200 * detail / 255, 3), qPrintable(rgb(c)));
        int reddish = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) reddish += qRed(img.pixel(x, y)) > qBlue(img.pixel(x, y)) + 10;
        QCOMPARE(reddish, 0);
    }

    // The mesh spans the same width at every size: a map drawn twice as
    // large looks like the original, seen from the same place.
    void sceneAt512LooksLikeAt256()
    {
        std::vector<QImage> shots;
        for (int factor : {1, 2}) {
            fillScene(ws_, grids_, factor);
            frm3D v(ws_, grids_);
            open(v);
            v.camera().turnTo(35.0f, 30.0f);
            shots.push_back(frame(v));
        }
        const double mean = meanDifference(shots[0], shots[1]);
        QVERIFY2(mean < 3.0, qPrintable(QString::number(mean)));
        buildLevelMap(ws_, grids_, 256, 256, gloamery::kBlack, 255); // a different scene is told apart
        frm3D v(ws_, grids_);
        open(v);
        v.camera().turnTo(35.0f, 30.0f);
        QVERIFY(meanDifference(shots[0], frame(v)) > 4 * mean);
    }

    // At 1024 x 1024: the left half red, the right half blue, under a dark
    // detail grey. Rescale, the detail switch, drags and auto-rotation all
    // act as at 256 x 256.
    void controlsWorkAt1024()
    {
        buildLevelMap(ws_, grids_, 1024, 1024, gloamery::kBlack, 64);
        for (int y = 0; y < 1024; ++y)
            for (int x = 0; x < 1024; ++x)
                ws_.picture(Slot::Colour).setPixel(x, y, x < 512 ? gloamery::compose(255, 0, 0) : gloamery::compose(0, 0, 255));
        buildGrids(ws_, grids_);
        frm3D v(ws_, grids_);
        open(v);
        QCOMPARE(v.Disp->terrain().pointColumns(), gloamery::kMaxViewGridCells + 1);
        lookDown(v);
        const int row = 336;
        v.Text1->setText(QStringLiteral("64")); // x = +-2 at column 773.5, as at 256 x 256
        v.pulRes_Click();
        QImage img = frame(v);
        QVERIFY2(qBlue(img.pixel(765, row)) > 50 && isBlack(img.pixel(782, row)), qPrintable(rgb(img.pixel(765, row))));
        QVERIFY2(qRed(img.pixel(132, row)) > 50 && isBlack(img.pixel(115, row)), qPrintable(rgb(img.pixel(132, row))));
        v.Check1->setChecked(false);
        img = frame(v);
        QVERIFY2(near(img.pixel(300, row), 255, 0, 0, 3) && near(img.pixel(600, row), 0, 0, 255, 3),
                 qPrintable(rgb(img.pixel(300, row)) + rgb(img.pixel(600, row))));
        v.Text1->setText(QStringLiteral("-32")); // mirrored, still seen from above
        v.pulRes_Click();
        img = frame(v);
        QVERIFY2(qBlue(img.pixel(200, row)) > 200 && qRed(img.pixel(700, row)) > 200, qPrintable(rgb(img.pixel(200, row))));

        // A drag turns it; nothing shows until the next frame.
        v.HScroll1->setValue(1000);
        sendMouse(v.Disp, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
        sendMouse(v.Disp, QEvent::MouseMove, {190, 100}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(v.camera().angleY(), 90.0f);
        QCOMPARE(v.Disp->grabFramebuffer().convertToFormat(QImage::Format_RGB32), img);
        const QImage turned = frame(v);
        QVERIFY2(near(turned.pixel(448, 200), 255, 0, 0, 3) && near(turned.pixel(448, 500), 0, 0, 255, 3),
                 qPrintable(rgb(turned.pixel(448, 200)) + rgb(turned.pixel(448, 500))));

        // Auto-rotation draws as it turns.
        const long frames = v.framesDrawn();
        QTest::mouseClick(v.Command2, Qt::LeftButton);
        QTRY_VERIFY(v.camera().angleX() >= 96.0f && v.framesDrawn() >= frames + 3);
        QTest::mouseClick(v.Command2, Qt::LeftButton);
        QVERIFY(frame(v) != turned);
        QVERIFY(messages_.empty());
    }

    // The one window shows whatever size the workspace has when it opens,
    // and drops the last opening's terrain.
    void reopenAtANewSize()
    {
        frm3D v(ws_, grids_);
        const struct {
            int w, h;
            Colour colour;
            bool perPoint;
        } openings[] = {{256, 256, gloamery::compose(200, 40, 40), true},
                        {1024, 512, gloamery::compose(40, 200, 40), false},
                        {100, 300, gloamery::compose(40, 40, 200), false},
                        {256, 256, gloamery::compose(200, 200, 40), true}};
        for (const auto& o : openings) {
            buildLevelMap(ws_, grids_, o.w, o.h, o.colour, 255);
            v.setGrids(grids_);
            open(v);
            QCOMPARE(v.Disp->terrain().coloursPerPoint(), o.perPoint);
            { // a point for every grid sample
                QCOMPARE(v.Disp->terrain().pointColumns(), grids_.height.columns());
                QCOMPARE(v.Disp->terrain().pointRows(), grids_.height.rows());
            }
            lookDown(v);
            const QRgb c = centre(frame(v));
            const gloamery::Channels want = gloamery::split(o.colour);
            QVERIFY2(near(c, want.r, want.g, want.b, 3), qPrintable(rgb(c) + QStringLiteral(" at %1x%2").arg(o.w).arg(o.h)));
            v.close();
            QVERIFY(!v.isLoaded());
        }
    }
};

QTEST_MAIN(SizesTest)
#include "sizes_test.moc"
