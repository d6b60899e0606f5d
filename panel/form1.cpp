#include "form1.h"

#include "compose/texture.h"
#include "imageio/picture_io.h"
#include "picture_view.h"
#include "preview3d/frm3D.h"
#include "twips.h"
#include "workspace/view_maps.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace gloamery::panel {

namespace {

constexpr int kClientTwips = 11775; // 785 pixels square

QString qs(const std::string& s) { return QString::fromStdString(s); }

template <class W>
W* place(W* w, const char* name, QRect geometry)
{
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(geometry);
    return w;
}

} // namespace

Form1::Form1(Prompts prompts, QWidget* parent) : QWidget(parent), prompts_(std::move(prompts))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Gloamery  v0.7"));
    setFixedSize(px(kClientTwips), px(kClientTwips));
    // The layout was made for an 8-point sans-serif face.
    QFont f = font();
    f.setPointSize(8);
    setFont(f);

    loadDefaultPictures(ws_);
    buildControls();
    buildPictures();
    Form_Load();

    menu_ = std::make_unique<PictureMenu>(ws_, prompts_, *this, [this](Slot s) { pictureView(s).refresh(); });
    menu_->setNoteShown([this](const QString& note) { reporter_->status(note.toStdString()); });
}

Form1::~Form1() = default;

void Form1::buildPictures()
{
    const struct {
        Slot slot;
        const char* name;
        int left, top;
        const char* hint;
    } layout[] = {
        {Slot::Height, "Picture1", 60, 60, "Height Map"},
        {Slot::Work, "Picture2", 4020, 10380, nullptr},
        {Slot::Shadow, "Picture3", 3960, 60, "Shadow Map"},
        {Slot::Colour, "Picture4", 7860, 60, "Color Map"},
        {Slot::Grass, "Picture5", 60, 3960, "Grass Map"},
        {Slot::Stone, "Picture6", 3960, 3960, "Stone Map"},
        {Slot::Texture, "Picture7", 7860, 3960, "Texture Map"},
        {Slot::Detail, "Picture8", 7860, 7860, "Detail Map"},
    };
    for (const auto& l : layout) {
        auto* v = new PictureView(ws_.picture(l.slot), l.slot, this);
        v->setObjectName(QString::fromLatin1(l.name));
        v->move(px(l.left), px(l.top));
        if (l.hint) v->setToolTip(QString::fromLatin1(l.hint));
        connect(v, &PictureView::pressed, this, &Form1::Picture_MouseDown);
        views_[static_cast<int>(l.slot)] = v;
    }
    // The work picture sits where the "3D" button lies; the button stays
    // on top so all of it can be clicked.
    views_[static_cast<int>(Slot::Work)]->stackUnder(findChild<QPushButton*>(QStringLiteral("Command6")));
}

void Form1::buildControls()
{
    // Behind everything else in the controls cell.
    Label4_ = place(new QLabel(QStringLiteral("CONTROL PANEL"), this), "Label4", twipRect(60, 7860, 7755, 3315));
    Label4_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = Label4_->font();
    bold.setBold(true);
    Label4_->setFont(bold);

    pbmax_ = place(new QLabel(this), "pbmax", twipRect(60, 11220, 7755, 495));
    pbmax_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Shape1_ = place(new QFrame(this), "Shape1", twipRect(120, 11280, 7635, 375));
    Shape1_->setFrameStyle(QFrame::Box | QFrame::Plain);
    pb_ = place(new QFrame(this), "pb", twipRect(120, 11280, 7635, 375));
    pb_->setAutoFillBackground(true);
    QPalette fill = pb_->palette();
    fill.setColor(QPalette::Window, QColor(120, 170, 230)); // light enough to read labWork on
    pb_->setPalette(fill);
    labWork_ = place(new QLabel(QStringLiteral("Done"), this), "labWork", twipRect(240, 11340, 1275, 255));

    struct Button {
        const char* name;
        const char* caption;
        int l, t, w, h;
        void (Form1::*click)();
    };
    const Button buttons[] = {
        {"Command5", "Linear", 180, 8460, 1215, 375, &Form1::Command5_Click},
        {"Command7", "Linear sim", 1440, 8460, 1215, 375, &Form1::Command7_Click},
        {"Command11", "Embossed", 2700, 8460, 1215, 375, &Form1::Command11_Click},
        {"Command9", "Sin func", 180, 8880, 1215, 375, &Form1::Command9_Click},
        {"Command4", "Cos func", 1440, 8880, 1215, 375, &Form1::Command4_Click},
        {"Command3", "Clear", 2700, 8880, 1215, 375, &Form1::Command3_Click},
        {"Command8", "Make Texture", 4020, 8460, 1335, 375, &Form1::Command8_Click},
        {"Command10", "Make Texture2", 5400, 8460, 1335, 375, &Form1::Command10_Click},
        {"Command6", "3D", 4020, 10320, 3675, 375, &Form1::Command6_Click},
    };
    for (const Button& b : buttons) {
        auto* w = place(new QPushButton(QString::fromLatin1(b.caption), this), b.name, twipRect(b.l, b.t, b.w, b.h));
        connect(w, &QPushButton::clicked, this, b.click);
    }

    const struct {
        const char* name;
        const char* caption;
        int l, t, w, h;
    } labels[] = {
        {"Label5", "Texture contrast", 4020, 8940, 1815, 195},
        {"Label6", "Darkness", 4020, 9480, 1815, 255},
        {"Label1", "X0", 240, 9420, 615, 255},
        {"Label2", "Y0", 240, 9780, 615, 255},
        {"Label3", "Decay", 240, 10080, 615, 315},
    };
    for (const auto& l : labels)
        place(new QLabel(QString::fromLatin1(l.caption), this), l.name, twipRect(l.l, l.t, l.w, l.h));

    auto scroll = [this](const char* name, QRect r, int max, int value) {
        auto* s = place(new QScrollBar(Qt::Horizontal, this), name, r);
        s->setRange(0, max);
        s->setPageStep(10);
        s->setSingleStep(1);
        s->setValue(value);
        return s;
    };
    HScroll1_ = scroll("HScroll1", twipRect(4020, 9180, 3615, 255), 100, 0);
    HScroll2_ = scroll("HScroll2", twipRect(4020, 9720, 3615, 255), 255, 128);

    X0_ = place(new QLineEdit(QStringLiteral("0"), this), "X0", twipRect(900, 9360, 675, 315));
    Y0_ = place(new QLineEdit(QStringLiteral("0"), this), "Y0", twipRect(900, 9720, 675, 315));
    Alt_ = place(new QLineEdit(QStringLiteral("5"), this), "Alt", twipRect(900, 10080, 675, 315));

    SwiBlur_ = place(new QCheckBox(QStringLiteral("Blur"), this), "SwiBlur", twipRect(2880, 9540, 615, 315));
    SwiBlur_->setChecked(true);

    // A group box keeps its option buttons mutually exclusive.
    auto* frame = place(new QGroupBox(QStringLiteral("Blend mode"), this), "Frame1", twipRect(1680, 9360, 1935, 1335));
    const char* optionCaptions[] = {"50/50", "Multiply", "Multiply/2", "Multiply/3"};
    for (int i = 0; i < 4; ++i) {
        const QString name = QStringLiteral("Option%1").arg(i + 1);
        options_[i] = place(new QRadioButton(QString::fromLatin1(optionCaptions[i]), frame), name.toLatin1().constData(),
                            twipRect(120, 300 + 240 * i, 1935 - 180, 255));
    }
    options_[1]->setChecked(true);
    // "Blur" lies inside the frame's rectangle but is no option of it.
    SwiBlur_->raise();
}

void Form1::Form_Load()
{
    pbFullWidth_ = pb_->width();
    Label4_->setText(QStringLiteral("CONTROL PANEL\n"));
    reporter_ = std::make_unique<PanelReporter>(*labWork_, *pb_, pbFullWidth_, *this, pbmax_->geometry());
}

Controls Form1::controls() const
{
    Controls c;
    c.x0 = X0_->text().toStdString();
    c.y0 = Y0_->text().toStdString();
    c.alt = Alt_->text().toStdString();
    c.darkness = HScroll2_->value();
    c.contrast = HScroll1_->value();
    c.blur = SwiBlur_->isChecked();
    constexpr BlendMode modes[] = {BlendMode::Half, BlendMode::Multiply, BlendMode::MultiplyHalf, BlendMode::Multiply3};
    for (int i = 0; i < 4; ++i)
        if (options_[i]->isChecked()) c.blend = modes[i];
    return c;
}

void Form1::refreshPictures()
{
    for (PictureView* v : views_) v->refresh();
}

void Form1::shadowButton(ShadowMode mode)
{
    const Refusal refused = runShadow(ws_, mode, controls(), localeNumberParser(), *reporter_);
    if (refused) {
        prompts_.message(this, qs(refused->message));
        return;
    }
    refreshPictures();
}

void Form1::Command5_Click() { shadowButton(ShadowMode::Linear); }
void Form1::Command7_Click() { shadowButton(ShadowMode::LinearSim); }
void Form1::Command11_Click() { shadowButton(ShadowMode::Embossed); }
void Form1::Command9_Click() { shadowButton(ShadowMode::Sin); }
void Form1::Command4_Click() { shadowButton(ShadowMode::Cos); }

void Form1::Command3_Click()
{
    clearShadow(ws_);
    refreshPictures();
}

void Form1::Command8_Click()
{
    makeTexture(ws_, HScroll1_->value(), *reporter_);
    refreshPictures();
}

void Form1::Command10_Click()
{
    makeTexture2(ws_, HScroll1_->value(), *reporter_);
    refreshPictures();
}

void Form1::Command6_Click()
{
    CalculateMaps(ws_, *reporter_);
    if (!view3d_) view3d_ = new frm3D(ws_, this);
    view3d_->showModal();
}

void Form1::Picture_MouseDown(Slot slot, Qt::MouseButton button, QPoint pos, QPoint globalPos)
{
    if (slot == Slot::Work) return;
    if (slot == Slot::Height) {
        if (button == Qt::LeftButton) {
            // Places the sun; the next shadow run reads it.
            X0_->setText(QString::number(pos.x()));
            Y0_->setText(QString::number(pos.y()));
        } else if (button == Qt::RightButton || button == Qt::MiddleButton) {
            menu_->popup(slot, globalPos);
        }
        return;
    }
    if (button == Qt::RightButton) menu_->popup(slot, globalPos);
}

} // namespace gloamery::panel
