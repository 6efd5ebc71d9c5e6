// A small host of the drawing surface: a main window with a TMyDraxa, a
// combo box choosing the drawing tool, and the surface's signals shown in
// the status bar.
//
//   draxa-host               the window, for a person to draw in
//   draxa-host --self-test   chooses the rectangle tool, drags a rectangle
//                            with synthetic mouse events and exits 0 once the
//                            surface's signals have reached the status bar
//                            (1 if they have not within five seconds)
#include <draxa/surface/draxa.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <cstdio>

using draxa::TDrawTool;
using draxa::TMyDraxa;
using draxa::TMyShape;

namespace {

class THostWindow : public QMainWindow {
public:
    THostWindow() {
        setWindowTitle(QStringLiteral("draxa host[*]"));
        Surface = new TMyDraxa;
        auto* Scroll = new QScrollArea;
        Scroll->setWidget(Surface);
        setCentralWidget(Scroll);

        Tools = new QComboBox;
        const std::pair<const char*, TDrawTool> Choices[] = {
            {"Select", TDrawTool::SpSelecting}, {"Rectangle", TDrawTool::SpRectangle},
            {"Ellipse", TDrawTool::SpEllipse},  {"Line", TDrawTool::SpLine},
            {"Text", TDrawTool::SpText},        {"Connector", TDrawTool::SpLinkLine}};
        for (const auto& [Name, Tool] : Choices)
            Tools->addItem(QString::fromLatin1(Name), QVariant::fromValue(int(Tool)));
        addToolBar(QStringLiteral("Tools"))->addWidget(Tools);
        connect(Tools, &QComboBox::currentIndexChanged, this,
                [this](int I) { Surface->SetShapeTool(TDrawTool(Tools->itemData(I).toInt())); });

        // The surface tells the window what happened; the combo box follows
        // the surface when it goes back to selecting after a shape.
        connect(Surface, &TMyDraxa::toolChanged, this, [this](TDrawTool Tool) {
            const int I = Tools->findData(int(Tool));
            if (I >= 0 && I != Tools->currentIndex()) Tools->setCurrentIndex(I);
            Show(QStringLiteral("Tool: %1").arg(Tools->currentText()));
        });
        connect(Surface, &TMyDraxa::shapeAdded, this, [this](TMyShape* Shape) {
            ++ShapesAdded;
            Show(QStringLiteral("Added %1 (%2 shapes)").arg(Shape->Name()).arg(Surface->ShapeCount()));
        });
        connect(Surface, &TMyDraxa::selectionChanged, this,
                [this] { Show(QStringLiteral("%1 selected").arg(Surface->SelectedCount())); });
        connect(Surface, &TMyDraxa::modifiedChanged, this,
                [this](bool Modified) { setWindowModified(Modified); });
        statusBar()->addPermanentWidget(Zoom = new QLabel);
        connect(Surface, &TMyDraxa::zoomChanged, this,
                [this](double Z) { Zoom->setText(QStringLiteral("%1%").arg(qRound(Z * 100))); });
        Surface->setProperty("zoom", 1.0);
        Zoom->setText(QStringLiteral("100%"));
    }

    // Drags from (X1, Y1) to (X2, Y2) on the surface as a user's mouse does.
    void Drag(int X1, int Y1, int X2, int Y2) {
        Mouse(QEvent::MouseButtonPress, X1, Y1, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, (X1 + X2) / 2, (Y1 + Y2) / 2, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, X2, Y2, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, X2, Y2, Qt::LeftButton, Qt::NoButton);
    }

    TMyDraxa* Surface = nullptr;
    QComboBox* Tools = nullptr;
    QLabel* Zoom = nullptr;
    int ShapesAdded = 0;

private:
    void Show(const QString& Text) { statusBar()->showMessage(Text); }
    void Mouse(QEvent::Type Type, int X, int Y, Qt::MouseButton Button, Qt::MouseButtons Held) {
        const QPointF Local(X, Y);
        QMouseEvent Event(Type, Local, Surface->mapToGlobal(Local), Button, Held, Qt::NoModifier);
        QApplication::sendEvent(Surface, &Event);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication App(argc, argv);
    THostWindow Window;
    Window.resize(800, 600);
    Window.show();
    if (!App.arguments().contains(QStringLiteral("--self-test"))) return App.exec();

    QTimer::singleShot(0, &Window, [&] {
        Window.Tools->setCurrentIndex(Window.Tools->findText(QStringLiteral("Rectangle")));
        Window.Drag(40, 40, 200, 120);
    });
    // Checks a few times: done once the rectangle was announced and the
    // combo box is back on selecting.
    QTimer Check;
    QObject::connect(&Check, &QTimer::timeout, [&] {
        const QString Status = Window.statusBar()->currentMessage();
        if (Window.ShapesAdded == 1 && Window.Tools->currentText() == QStringLiteral("Select")) {
            std::printf("draxa-host: signals arrived: %d shape added, tool back to %s, status \"%s\"\n",
                        Window.ShapesAdded, qPrintable(Window.Tools->currentText()), qPrintable(Status));
            App.exit(0);
        }
    });
    Check.start(100);
    QTimer::singleShot(5000, &Window, [&] {
        std::fprintf(stderr, "draxa-host: no shapeAdded signal within five seconds (status \"%s\")\n",
                     qPrintable(Window.statusBar()->currentMessage()));
        App.exit(1);
    });
    return App.exec();
}
