// What the 3D view draws at 256 x 256, read back from its framebuffer: the
// context and its GL state, the projection, the colours, the detail and the
// mesh's edges.

#include "view_test_support.h"

class FramesTest : public ViewTest {
    Q_OBJECT

private slots:
    void fixedGlStateAndTexture()
    {
        // Detail texels that tell x from y: R = x, G = y, B = x xor y.
        for (int x = 0; x < 256; ++x)
            for (int y = 0; y < 256; ++y) ws_.picture(Slot::Detail).setPixel(x, y, gloamery::compose(x, y, x ^ y));
        buildGrids(ws_, grids_);
        frm3D v(ws_, grids_);
        open(v);
        QVERIFY(v.GLReady());
        QVERIFY(v.Disp->terrain().detailTexture() != 0);
        v.Disp->makeCurrent();

        const QOpenGLContext* ctx = QOpenGLContext::currentContext();
        QVERIFY(ctx);
        QVERIFY2(gloamery::formatShortfall(ctx->format()).isEmpty(), qPrintable(gloamery::formatShortfall(ctx->format())));

        GLint i = 0;
        glGetIntegerv(GL_CULL_FACE_MODE, &i);
        QCOMPARE(i, GL_FRONT);
        QVERIFY(glIsEnabled(GL_CULL_FACE));
        QVERIFY(glIsEnabled(GL_DEPTH_TEST));
        QVERIFY(glIsEnabled(GL_COLOR_MATERIAL));
        QVERIFY(!glIsEnabled(GL_TEXTURE_2D)); // at 256 x 256 the colours lie on the points
        glActiveTexture(GL_TEXTURE1);         // the detail's unit
        QVERIFY(glIsEnabled(GL_TEXTURE_2D));
        QVERIFY(!glIsEnabled(GL_LIGHTING));
        glGetIntegerv(GL_DEPTH_FUNC, &i);
        QCOMPARE(i, GL_LESS);
        glGetIntegerv(GL_SHADE_MODEL, &i);
        QCOMPARE(i, GL_SMOOTH);
        glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &i);
        QCOMPARE(i, GL_NICEST);

        glBindTexture(GL_TEXTURE_2D, v.Disp->terrain().detailTexture());
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &i);
        QCOMPARE(i, GL_LINEAR);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &i);
        QCOMPARE(i, GL_LINEAR_MIPMAP_NEAREST);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &i);
        QCOMPARE(i, 256);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 8, GL_TEXTURE_WIDTH, &i); // the whole mipmap chain
        QCOMPARE(i, 1);

        // Texture row r holds grid column x = r; texel n of it grid row y = n.
        std::vector<GLubyte> texels(256 * 256 * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        for (int r = 0; r < 256; r += 5)
            for (int n = 0; n < 256; n += 3) {
                const GLubyte* t = &texels[(r * 256 + n) * 3];
                QVERIFY2(t[0] == r && t[1] == n && t[2] == (r ^ n), qPrintable(where(n, r)));
            }
    }

    void formatShortfall_data()
    {
        QTest::addColumn<QSurfaceFormat>("format");
        QTest::addColumn<bool>("usable");
        const QSurfaceFormat good = gloamery::viewSurfaceFormat();
        QTest::newRow("as asked") << good << true;
        QSurfaceFormat f = good;
        f.setDepthBufferSize(24);
        f.setAlphaBufferSize(8);
        QTest::newRow("more than asked") << f << true;
        f = good;
        f.setVersion(2, 1);
        f.setProfile(QSurfaceFormat::NoProfile);
        QTest::newRow("legacy, no profiles") << f << true;
        f = good;
        f.setVersion(3, 3);
        f.setProfile(QSurfaceFormat::CoreProfile);
        QTest::newRow("core profile") << f << false;
        f = good;
        f.setRedBufferSize(5);
        f.setGreenBufferSize(6);
        f.setBlueBufferSize(5);
        QTest::newRow("16 colour bits") << f << false;
        f = good;
        f.setDepthBufferSize(0);
        QTest::newRow("no depth") << f << false;
        f = good;
        f.setSwapBehavior(QSurfaceFormat::SingleBuffer);
        QTest::newRow("single buffered") << f << false;
        f = good;
        f.setRenderableType(QSurfaceFormat::OpenGLES);
        QTest::newRow("OpenGL ES") << f << false;
    }

    void formatShortfall()
    {
        QFETCH(QSurfaceFormat, format);
        QFETCH(bool, usable);
        QCOMPARE(gloamery::formatShortfall(format).isEmpty(), usable);
    }

    void viewportAndProjection_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("vpWidth");
        QTest::addColumn<int>("vpHeight");
        QTest::addColumn<double>("aspect");
        QTest::newRow("design") << 897.0 << 673.0 << 897 << 673 << 897.0 / 673.0;
        QTest::newRow("height 0 taken as 1") << 300.0 << 0.0 << 300 << 1 << 300.0;
        QTest::newRow("halves to even") << 100.5 << 50.5 << 100 << 50 << 100.5 / 50.5;
        QTest::newRow("odd halves up") << 101.5 << 20.0 << 102 << 20 << 101.5 / 20.0;
    }

    void viewportAndProjection()
    {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(int, vpWidth);
        QFETCH(int, vpHeight);
        QFETCH(double, aspect);
        frm3D v(ws_, grids_);
        open(v);
        v.Disp->setViewport(width, height);
        v.Disp->makeCurrent();
        GLint vp[4];
        glGetIntegerv(GL_VIEWPORT, vp);
        QCOMPARE(vp[0], 0);
        QCOMPARE(vp[1], 0);
        QCOMPARE(vp[2], vpWidth);
        QCOMPARE(vp[3], vpHeight);
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        QCOMPARE(mode, GL_MODELVIEW);
        double p[16];
        glGetDoublev(GL_PROJECTION_MATRIX, p);
        const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
        QVERIFY2(std::fabs(p[5] - f) < 1e-5, qPrintable(QString::number(p[5])));
        QVERIFY2(std::fabs(p[0] - f / aspect) < 1e-5, qPrintable(QString::number(p[0])));
        QVERIFY(std::fabs(p[10] - (120.1 / -119.9)) < 1e-5);
        QVERIFY(std::fabs(p[14] - (2 * 120.0 * 0.1 / -119.9)) < 1e-5);
    }

    // Seen from straight above (AngleX 90), the mesh fills the frame.
    void colourMapShowsThrough_data()
    {
        QTest::addColumn<int>("detail");
        QTest::addColumn<bool>("texturing");
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("g");
        QTest::addColumn<int>("b");
        QTest::newRow("white detail, textured") << 255 << true << 204 << 102 << 51;
        QTest::newRow("white detail, untextured") << 255 << false << 204 << 102 << 51;
        QTest::newRow("dark detail, textured") << 64 << true << 51 << 26 << 13;
        QTest::newRow("dark detail, untextured") << 64 << false << 204 << 102 << 51;
    }

    void colourMapShowsThrough()
    {
        QFETCH(int, detail);
        QFETCH(bool, texturing);
        QFETCH(int, r);
        QFETCH(int, g);
        QFETCH(int, b);
        fillGrids(ws_, grids_, 0.0f, 0.8f, 0.4f, 0.2f, static_cast<std::uint8_t>(detail));
        frm3D v(ws_, grids_);
        open(v);
        lookDown(v);
        const unsigned texture = v.Disp->terrain().detailTexture();
        v.Check1->setChecked(texturing);
        const QImage img = frame(v);
        QCOMPARE(v.Disp->terrain().detailTexture(), texture); // switching does not upload again
        for (QPoint p : {QPoint(img.width() / 2, img.height() / 2), QPoint(20, 20), QPoint(img.width() - 20, 600)})
            QVERIFY2(near(img.pixel(p), r, g, b, 3), qPrintable(rgb(img.pixel(p)) + where(p.x(), p.y())));
    }

    void checkBoxSwitchesTexturingFromTheNextFrame()
    {
        fillGrids(ws_, grids_, 0.0f, 0.8f, 0.4f, 0.2f, 64);
        frm3D v(ws_, grids_);
        open(v);
        lookDown(v);
        const QRgb dark = centre(frame(v));
        v.Check1->setChecked(false);
        QCOMPARE(centre(v.Disp->grabFramebuffer()), dark); // no new frame yet
        const QRgb plain = centre(frame(v));
        QVERIFY2(qRed(plain) > qRed(dark) + 100, qPrintable(rgb(plain) + rgb(dark)));
        v.Check1->setChecked(true);
        QCOMPARE(centre(frame(v)), dark);
    }

    // Angles 0: the eye at height 0 looks along the mesh. A flat mesh at
    // height -0.25 runs from z = -9 (grid row 0, far) to z = -1.03125 (grid
    // row 255, near; row 256 is not drawn). Its near edge is the band's
    // lower edge, at frame row (1 + 0.25 / (1.03125 tan 22.5)) / 2 * 673 =
    // 533.4; its far edge at row (1 + 0.25 / (9 tan 22.5)) / 2 * 673 = 359.1.
    void defaultViewPutsTheNearEdgeAtTheBottom()
    {
        fillGrids(ws_, grids_, -0.25f, 0.0f, 0.0f, 0.0f, 255);
        for (int x = 0; x <= 256; ++x)
            for (int y = 0; y <= 256; ++y)
                setColour(grids_, x, y, y < 128 ? 1.0f : 0.0f, y < 128 ? 0.0f : 1.0f, 0.0f); // far half red
        frm3D v(ws_, grids_);
        open(v);
        const QImage img = frame(v);
        QCOMPARE(img.size(), QSize(897, 673));
        for (int x : {100, 448, 797}) {
            for (int y : {5, 200, 355, 535, 600, 668}) QVERIFY2(isBlack(img.pixel(x, y)), qPrintable(where(x, y)));
            const QRgb nearSide = img.pixel(x, 531);
            const QRgb farSide = img.pixel(x, 365);
            QVERIFY2(qGreen(nearSide) > 150 && qRed(nearSide) < 60, qPrintable(rgb(nearSide) + where(x, 531)));
            QVERIFY2(qRed(farSide) > 150 && qGreen(farSide) < 60, qPrintable(rgb(farSide) + where(x, 365)));
        }
        // Two renders of an unchanged view are the same image.
        QCOMPARE(frame(v), img);
    }

    // From above, the last grid column (x = 256) is part of the mesh and the
    // last row (y = 256) is not.
    void lastColumnDrawnLastRowNot()
    {
        fillGrids(ws_, grids_, 0.0f, 0.5f, 0.5f, 0.5f, 255);
        for (int k = 0; k <= 256; ++k) {
            setColour(grids_, 256, k, 1.0f, 0.0f, 0.0f);
            setColour(grids_, k, 256, 0.0f, 0.0f, 1.0f);
        }
        frm3D v(ws_, grids_);
        open(v);
        lookDown(v);
        v.Text1->setText(QStringLiteral("64")); // the whole mesh in sight
        v.pulRes_Click();
        const QImage img = frame(v);
        int reddish = 0, bluish = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                reddish += qRed(c) > qGreen(c) + 30;
                bluish += qBlue(c) > qGreen(c) + 10;
            }
        QVERIFY2(reddish > 100, qPrintable(QString::number(reddish)));
        QCOMPARE(bluish, 0);
        // Every cell of the 256 columns and the first 255 rows, two triangles each.
        QCOMPARE(v.Disp->terrain().trianglesDrawn(), 2 * 256 * 255);
    }

    // Detail rows y < 32 bright: in every tile a bright band runs along the
    // grid's y direction, which from above is down the screen.
    void detailImageLiesTransposed()
    {
        fillGrids(ws_, grids_, 0.0f, 1.0f, 1.0f, 1.0f, 40);
        for (int x = 0; x < 256; ++x)
            for (int y = 0; y < 32; ++y)
                ws_.picture(Slot::Detail).setPixel(x, y, gloamery::grey(255));
        frm3D v(ws_, grids_);
        open(v);
        lookDown(v);
        const QImage img = frame(v);
        std::vector<double> colMean(img.width()), rowMean(img.height());
        for (int y = 100; y < 500; ++y)
            for (int x = 100; x < 700; ++x) {
                colMean[x] += qGreen(img.pixel(x, y)) / 400.0;
                rowMean[y] += qGreen(img.pixel(x, y)) / 600.0;
            }
        const auto spread = [](const std::vector<double>& m, int from, int to) {
            double lo = 1e9, hi = -1e9;
            for (int i = from; i < to; ++i) lo = std::min(lo, m[i]), hi = std::max(hi, m[i]);
            return hi - lo;
        };
        const double across = spread(colMean, 100, 700);
        const double along = spread(rowMean, 100, 500);
        QVERIFY2(across > 60 && along < 10, qPrintable(QStringLiteral("%1 %2").arg(across).arg(along)));
    }

    void rescale()
    {
        fillGrids(ws_, grids_, 0.0f, 0.0f, 0.0f, 0.0f, 255);
        for (int x = 0; x <= 256; ++x)
            for (int y = 0; y <= 256; ++y) setColour(grids_, x, y, x < 128 ? 1.0f : 0.0f, 0.0f, x < 128 ? 0.0f : 1.0f);
        frm3D v(ws_, grids_);
        open(v);
        lookDown(v);
        const double loaded = v.camera().scale();
        const int row = 336;

        QImage img = frame(v);
        QVERIFY(qRed(img.pixel(200, row)) > 200 && qBlue(img.pixel(700, row)) > 200);
        QVERIFY(!isBlack(img.pixel(3, 3)));

        // "64": x = +-2 lies at column (1 + 0.4 tan(67.5) / aspect) / 2 * 897 = 773.5.
        v.Text1->setText(QStringLiteral("64"));
        v.pulRes_Click();
        QCOMPARE(v.camera().scale(), 64.0);
        img = frame(v);
        QVERIFY2(qBlue(img.pixel(765, row)) > 200, qPrintable(rgb(img.pixel(765, row))));
        QVERIFY2(isBlack(img.pixel(782, row)), qPrintable(rgb(img.pixel(782, row))));
        QVERIFY2(qRed(img.pixel(132, row)) > 200 && isBlack(img.pixel(115, row)), qPrintable(rgb(img.pixel(132, row))));

        // Negative: mirrored in x and z, the upper side still the visible one.
        v.Text1->setText(QStringLiteral("-32"));
        v.pulRes_Click();
        img = frame(v);
        QVERIFY2(qBlue(img.pixel(200, row)) > 200 && qRed(img.pixel(700, row)) > 200,
                 qPrintable(rgb(img.pixel(200, row)) + rgb(img.pixel(700, row))));

        v.Text1->setText(QStringLiteral("32"));
        v.pulRes_Click();
        QCOMPARE(v.camera().scale(), loaded);
        QVERIFY(messages_.empty());
    }

    void withoutTimersThePictureWaitsForARender()
    {
        fillGrids(ws_, grids_, -0.5f, 0.2f, 0.9f, 0.2f, 255);
        frm3D v(ws_, grids_);
        open(v);
        const QImage before = frame(v);
        QTest::keyClick(v.Disp, Qt::Key_W);
        sendMouse(v.Disp, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
        sendMouse(v.Disp, QEvent::MouseMove, {10, 400}, Qt::NoButton, Qt::LeftButton);
        QTest::qWait(120);
        QCOMPARE(v.Disp->grabFramebuffer().convertToFormat(QImage::Format_RGB32), before);
        QTest::mouseClick(v.Command4, Qt::LeftButton); // "Auto Render" again
        const long frames = v.framesDrawn();
        QTRY_VERIFY(v.framesDrawn() > frames);
        QVERIFY(v.Disp->grabFramebuffer().convertToFormat(QImage::Format_RGB32) != before);
    }
};

QTEST_MAIN(FramesTest)
#include "frames_test.moc"
