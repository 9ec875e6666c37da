#include "desktop/about_box.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

#include "desktop/program_icon.h"

namespace ombrel {

const char* const TForm3::MailAddress = "ombrel@example.org";
const char* const TForm3::WebHost = "ombrel.example.org";
const char* const TForm3::Copyright = "Copyright \u00a9 2026 The Ombrel developers";

namespace {

QFont SansSerif11() {
    QFont f("MS Sans Serif");
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(11);
    return f;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int left, int top, Qt::Alignment align) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(align);
    l->adjustSize();  // labels size themselves to their text
    l->move(left, top);
    return l;
}

QLabel* MakeLink(QWidget* parent, const QString& text, int left, int top) {
    QLabel* l = MakeLabel(parent, text, left, top, Qt::AlignLeft);
    QFont f = SansSerif11();
    f.setUnderline(true);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    l->setPalette(p);
    l->setCursor(Qt::PointingHandCursor);
    l->adjustSize();
    return l;
}

}  // namespace

TForm3::TForm3(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      OpenUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setWindowTitle("About...");
    setWindowIcon(ProgramIcon());
    setFont(SansSerif11());
    setFixedSize(337, 193);
    setModal(true);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 152, 321, 2);

    Button1 = new QPushButton("OK", this);
    Button1->setGeometry(8, 160, 81, 25);
    Button1->setAutoDefault(false);

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(8, 8, 321, 137);

    Label1 = MakeLabel(Panel1, "Ombrel 2.0", 64, 16, Qt::AlignCenter);
    QFont title("Times New Roman");
    title.setStyleHint(QFont::Serif);
    title.setPixelSize(27);
    title.setBold(true);
    Label1->setFont(title);
    Label1->adjustSize();
    Label2 = MakeLabel(Panel1, QString::fromUtf8(Copyright), 16, 64, Qt::AlignCenter);
    Label3 = MakeLabel(Panel1, "E-Mail:", 16, 88, Qt::AlignCenter);
    Label5 = MakeLabel(Panel1, "WWW:", 16, 104, Qt::AlignCenter);
    Image1 = new QLabel(Panel1);
    Image1->setGeometry(16, 16, 33, 33);
    Image1->setPixmap(ProgramIcon().pixmap(32, 32));
    Label4 = MakeLink(Panel1, MailAddress, 56, 88);
    Label6 = MakeLink(Panel1, WebHost, 56, 104);

    Button2 = new QPushButton("Abbrechen", this);
    Button2->setGeometry(96, 160, 75, 25);
    Button2->setAutoDefault(false);

    setTabOrder(Button1, Button2);
    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm3::Button1Click);
    Label4->installEventFilter(this);
    Label6->installEventFilter(this);
}

void TForm3::Button1Click() { reject(); }

void TForm3::Label4Click() { OpenUrl(QUrl(QString("mailto:") + MailAddress)); }

void TForm3::Label6Click() { OpenUrl(QUrl(QString("http://") + WebHost)); }

void TForm3::showEvent(QShowEvent* e) {
    // Centred on the screen, whatever the designed position; OK holds the focus.
    if (const QScreen* s = screen()) move(s->geometry().center() - QPoint(width() / 2, height() / 2));
    Button1->setFocus();
    QDialog::showEvent(e);
}

bool TForm3::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        if (watched == Label4) Label4Click();
        if (watched == Label6) Label6Click();
    }
    return QDialog::eventFilter(watched, e);
}

}  // namespace ombrel
