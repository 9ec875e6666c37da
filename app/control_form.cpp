#include "app/control_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMetaObject>
#include <QKeyEvent>
#include <QMouseEvent>

#include "app/error_report.h"
#include "app/screens_host.h"
#include "desktop/bus_flag.h"
#include "desktop/program_icon.h"
#include "engine/figures.h"

namespace ombrel {

TForm1::TForm1(TMonitorList monitors, const TTrayIcon::TAreaFactory& notificationArea, TRunOptions options)
    : Morph(options.NewMorphState ? options.NewMorphState() : std::make_unique<TMorphState>()),
      Options(options),
      Host(options.Host) {
    if (!Host) {
        OwnHost = std::make_unique<TScreensHost>(std::move(monitors));
        OwnHost->AfterQt();
        Host = OwnHost.get();
    }
    Morph->Timing = Options.Show.Timing();
    setGeometry(255, 146, 544, 385);
    setWindowTitle("Form1");
    CreateComponents(notificationArea);
    AttachHost();
    if (Options.RestWhile) connect(Options.RestWhile, &TFlag::Changed, this, &TForm1::RestChanged);
    FormCreate();
}

TForm1::~TForm1() {
    // Ending the program without a close (the message loop stopped some other way) still waits for the worker.
    if (Phase != TPhase::Ended) Close();
}

void TForm1::CreateComponents(const TTrayIcon::TAreaFactory& notificationArea) {
    Timer1.setSingleShot(true);
    Timer1.setTimerType(Qt::PreciseTimer);
    connect(&Timer1, &QTimer::timeout, this, &TForm1::ClockTick);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    AboutOmbrel1 = PopupMenu1->addAction("About Ombrel", this, &TForm1::AboutOmbrel1Click);
    N1 = PopupMenu1->addSeparator();
    Showfernfractal1 = PopupMenu1->addAction("Show Fern Fractal", this, &TForm1::Showfernfractal1Click);
    ShowSierpinskifractal1 = PopupMenu1->addAction("Show Sierpinski Fractal", this, &TForm1::ShowSierpinskifractal1Click);
    ShowKochFractal1 = PopupMenu1->addAction("Show Koch Fractal", this, &TForm1::ShowKochFractal1Click);
    N2 = PopupMenu1->addSeparator();
    Exit1 = PopupMenu1->addAction("Exit", this, &TForm1::Exit1Click);
    for (QAction* hidden : {Showfernfractal1, ShowSierpinskifractal1, ShowKochFractal1, N2}) hidden->setVisible(false);

    TrayIcon1 = new TTrayIcon(this, notificationArea);
    TrayIcon1->SetIcon(ProgramIcon());
    TrayIcon1->SetToolTip("Ombrel 1.3");
    TrayIcon1->PopupMenu = PopupMenu1;

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setGeometry(16, 48, 321, 217);
    for (int i = 0; i < 6; ++i) {
        auto* panel = new QFrame(Panel1);
        panel->setObjectName(QString("Panel%1").arg(i + 2));
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        panel->setGeometry(8 + 8 * i, 8 + 8 * i, 185, 41);
        panel->setVisible(false);
        MonitorPanels.push_back(panel);
    }
    Button1 = new QPushButton("Button1", this);
    Button1->setGeometry(168, 8, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
}

void TForm1::AttachHost() {
    Host->OnChanged = [this] { LayoutChanged(); };
    Host->OnSightChanged = [this] { VisibilityChanged(); };
    Host->OnLost = [this](const std::string& reason) {
        if (!reason.empty()) return Fail(std::runtime_error(reason));
        // The show's place went: nothing more is drawn.
        StopClock();
        RequestClose();
    };
}

void TForm1::FormCreate() {
    Morph->FirstCycle = true;
    Seed = Options.Seed ? *Options.Seed : SeedFromClock();
    Morph->Random.Seed(Seed);
    ApplyLayout(true);
    // Started from the event loop, once this form is complete. The displays
    // show the empty first frame meanwhile; input goes on.
    QMetaObject::invokeMethod(this, &TForm1::StartFirstCycle, Qt::QueuedConnection);
}

void TForm1::StartFirstCycle() {
    if (Phase != TPhase::Starting || Worker) return;
    try {
        if (LayoutStale) ApplyLayout(true);
        // Without a monitor, wait for one.
        if (Morph->Displays.empty()) return;
        StartWorker();
    } catch (const std::exception& e) {
        // Without a first cycle there is nothing to show.
        Fail(e);
    }
}

void TForm1::Fail(const std::exception& e) {
    ReportFatalError(e);
    Failed = true;
    Close();
}

std::vector<TMorphState*> TForm1::Figures() { return FiguresOf(*Morph, OwnFigures, Options.Show.Monitors); }

TGenerationDone TForm1::ReportToGuiThread() {
    return [this](std::exception_ptr error) {
        QMetaObject::invokeMethod(this, [this, error] { GenerationDone(error); }, Qt::QueuedConnection);
    };
}

void TForm1::StartWorker(std::vector<TFrameStore*> anew) {
    Worker = StartGenerator(*Morph, Figures(), ReportToGuiThread(), std::move(anew));
}

void TForm1::GenerationDone(std::exception_ptr error) {
    if (error) ReportError(error);
    // Monitors that changed while nothing was in sight and a cycle ran.
    FollowWhileStill();
    if (Phase != TPhase::Starting) return;
    Phase = TPhase::Running;
    Morph->FrameCounter = Morph->Timing.StartCounter();
    StartClock();
    VisibilityChanged();
}

void TForm1::FormClose() {
    StopClock();
    // A generation running now is of no use any more: cancelled, it ends
    // within milliseconds, and the release waits for that.
    Morph->Cancel = true;
    for (auto& f : OwnFigures) f->Cancel = true;
    Worker.reset();
    if (Host->SurfacesAlive())
        for (auto& d : DisplayForms) d->Hide();
    for (auto& d : DisplayForms) d->Store.ReleaseFrames();
    OwnFigures.clear();
    DisplayForms.clear();
    Morph->Displays.clear();
    TrayIcon1->SetActive(false);
}

void TForm1::Close() {
    if (Phase == TPhase::Closing || Phase == TPhase::Ended) return;
    Phase = TPhase::Closing;
    FormClose();
    Phase = TPhase::Ended;
    if (Options.OnClosed) return Options.OnClosed();
    // Outside the event loop (a test), quit() does nothing; exit() would end every loop started later.
    QCoreApplication::quit();
}

void TForm1::RequestClose() { QMetaObject::invokeMethod(this, &TForm1::Close, Qt::QueuedConnection); }

void TForm1::keyPressEvent(QKeyEvent* e) {
    for (QChar key : e->text()) FormKeyPress(key);
}

void TForm1::mouseDoubleClickEvent(QMouseEvent*) { FormDblClick(); }

void TForm1::closeEvent(QCloseEvent* e) {
    e->ignore();
    RequestClose();
}

}  // namespace ombrel
