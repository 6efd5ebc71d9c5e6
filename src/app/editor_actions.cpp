#include "app/editor_actions.h"

#include "foundation/dialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>

#include <array>
#include <cmath>

namespace draxa {

namespace {

// The zooms Zoom in and Zoom out step through.
constexpr std::array<double, 13> KZooms{0.25, 1.0 / 3, 0.5, 2.0 / 3, 0.75, 1.0, 1.25,
                                        1.5,  2.0,     3.0, 4.0,     6.0,  8.0};

} // namespace

TEditorActions::TEditorActions(TMyDraxa& Surface, QMenuBar& Bar, QWidget& Window)
    : QObject(&Window), FSurface(Surface) {
    TMyDraxa& S = FSurface;

    QMenu* Edit = Bar.addMenu(tr("&Edit"));
    Edit->setObjectName(QStringLiteral("mnuEdit"));
    actUndo = Add(Edit, QStringLiteral("actUndo"), tr("&Undo"), QKeySequence::Undo, [&S] { S.Undo(); });
    actRedo = Add(Edit, QStringLiteral("actRedo"), tr("&Redo"), QKeySequence::Redo, [&S] { S.Redo(); });
    Edit->addSeparator();
    actCut = Add(Edit, QStringLiteral("actCut"), tr("Cu&t"), QKeySequence::Cut, [&S] { S.CutSelection(); });
    actCopy =
        Add(Edit, QStringLiteral("actCopy"), tr("&Copy"), QKeySequence::Copy, [&S] { S.CopySelection(); });
    actPaste = Add(Edit, QStringLiteral("actPaste"), tr("&Paste"), QKeySequence::Paste, [&S] { S.Paste(); });
    actDuplicate = Add(Edit, QStringLiteral("actDuplicate"), tr("D&uplicate"),
                       QKeySequence(Qt::CTRL | Qt::Key_D), [&S] { S.DuplicateSelection(); });
    actDelete = Add(Edit, QStringLiteral("actDelete"), tr("&Delete"), QKeySequence::Delete,
                    [&S] { S.DeleteSelection(); });
    Edit->addSeparator();
    actSelectAll = Add(Edit, QStringLiteral("actSelectAll"), tr("Select &All"), QKeySequence::SelectAll,
                       [&S] { S.SelectAll(); });

    QMenu* Arrange = Bar.addMenu(tr("&Arrange"));
    Arrange->setObjectName(QStringLiteral("mnuArrange"));
    actGroup = Add(Arrange, QStringLiteral("actGroup"), tr("&Group"), QKeySequence(Qt::CTRL | Qt::Key_G),
                   [&S] { S.GroupSelection(); });
    actCombine = Add(Arrange, QStringLiteral("actCombine"), tr("&Combine"), QKeySequence(),
                     [&S] { S.CombineSelection(); });
    actUngroup = Add(Arrange, QStringLiteral("actUngroup"), tr("&Ungroup"),
                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G), [&S] { S.UngroupSelection(); });
    Arrange->addSeparator();
    actBringToFront =
        Add(Arrange, QStringLiteral("actBringToFront"), tr("Bring to &Front"),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketRight), [&S] { S.BringToFront(); });
    actBringForward = Add(Arrange, QStringLiteral("actBringForward"), tr("Bring F&orward"),
                          QKeySequence(Qt::CTRL | Qt::Key_BracketRight), [&S] { S.BringForward(); });
    actSendBackward = Add(Arrange, QStringLiteral("actSendBackward"), tr("Send Back&ward"),
                          QKeySequence(Qt::CTRL | Qt::Key_BracketLeft), [&S] { S.SendBackward(); });
    actSendToBack = Add(Arrange, QStringLiteral("actSendToBack"), tr("Send to &Back"),
                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketLeft), [&S] { S.SendToBack(); });
    Arrange->addSeparator();
    mnuAlign = Arrange->addMenu(tr("&Align"));
    mnuAlign->setObjectName(QStringLiteral("mnuAlign"));
    const std::array<std::pair<TShapeAlign, QString>, 6> Aligns{{
        {TShapeAlign::saLeft, tr("&Left")},
        {TShapeAlign::saCentre, tr("&Centre")},
        {TShapeAlign::saRight, tr("&Right")},
        {TShapeAlign::saTop, tr("&Top")},
        {TShapeAlign::saMiddle, tr("&Middle")},
        {TShapeAlign::saBottom, tr("&Bottom")},
    }};
    for (const auto& [How, Text] : Aligns) {
        const TShapeAlign Way = How;
        FAlignActions.push_back(
            Add(mnuAlign, QString(), Text, QKeySequence(), [&S, Way] { S.AlignSelection(Way); }));
        if (How == TShapeAlign::saRight) mnuAlign->addSeparator();
    }
    mnuDistribute = Arrange->addMenu(tr("&Distribute"));
    mnuDistribute->setObjectName(QStringLiteral("mnuDistribute"));
    FDistributeActions.push_back(Add(mnuDistribute, QString(), tr("&Horizontally"), QKeySequence(),
                                     [&S] { S.DistributeSelection(TDistribution::dsHorizontal); }));
    FDistributeActions.push_back(Add(mnuDistribute, QString(), tr("&Vertically"), QKeySequence(),
                                     [&S] { S.DistributeSelection(TDistribution::dsVertical); }));
    Arrange->addSeparator();
    // Each shape turns or flips about its own centre; connectors follow.
    actRotateRight = Add(Arrange, QStringLiteral("actRotateRight"), tr("&Rotate 90\u00B0 Clockwise"),
                         QKeySequence(Qt::CTRL | Qt::Key_R), [&S] { S.RotateSelection(M_PI / 2); });
    actRotateLeft =
        Add(Arrange, QStringLiteral("actRotateLeft"), tr("Rotate 90\u00B0 &Anticlockwise"),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), [&S] { S.RotateSelection(-M_PI / 2); });
    actFlipHorz = Add(Arrange, QStringLiteral("actFlipHorz"), tr("Flip &Horizontally"), QKeySequence(),
                      [&S] { S.FlipSelection(true); });
    actFlipVert = Add(Arrange, QStringLiteral("actFlipVert"), tr("Flip &Vertically"), QKeySequence(),
                      [&S] { S.FlipSelection(false); });

    QMenu* View = mnuView = Bar.addMenu(tr("&View"));
    View->setObjectName(QStringLiteral("mnuView"));
    actZoomIn = Add(View, QStringLiteral("actZoomIn"), tr("Zoom &In"), QKeySequence::ZoomIn,
                    [&S] { S.SetZoom(NextZoom(S.Zoom(), true)); });
    actZoomOut = Add(View, QStringLiteral("actZoomOut"), tr("Zoom &Out"), QKeySequence::ZoomOut,
                     [&S] { S.SetZoom(NextZoom(S.Zoom(), false)); });
    actZoom100 = Add(View, QStringLiteral("actZoom100"), tr("&Actual Size (100 %)"),
                     QKeySequence(Qt::CTRL | Qt::Key_0), [&S] { S.SetZoom(1.0); });
    View->addSeparator();
    actShowGrid = Add(View, QStringLiteral("actShowGrid"), tr("Show &Grid"),
                      QKeySequence(Qt::CTRL | Qt::Key_Apostrophe),
                      [this, &S] { S.GridOperation().GridShow = actShowGrid->isChecked(); });
    actShowGrid->setCheckable(true);
    actSnap = Add(View, QStringLiteral("actSnap"), tr("&Snap to Grid"), QKeySequence(),
                  [this, &S] { S.SetSnap(actSnap->isChecked()); });
    actSnap->setCheckable(true);

    // The states are right whenever a menu opens, whatever changed them.
    for (QMenu* Menu : {Edit, Arrange, View})
        connect(Menu, &QMenu::aboutToShow, this, &TEditorActions::Update);
    // Clicks and keys on the surface change the selection.
    FSurface.installEventFilter(this);
    // The surface tells of a history change while the operation is still
    // under way (CanUndo is False until it ends), and filters see a click
    // before the surface does: the states are read once the event is done.
    FSurface.OnUndoRedoChange = [this](QObject*) { UpdateLater(); };
    Update();
}

TEditorActions::~TEditorActions() {
    FSurface.OnUndoRedoChange = nullptr;
    FSurface.removeEventFilter(this);
}

QAction* TEditorActions::Add(QMenu* Menu, const QString& Name, const QString& Text, const QKeySequence& Key,
                             std::function<void()> Operation) {
    QAction* A = Menu->addAction(Text);
    if (!Name.isEmpty()) A->setObjectName(Name);
    A->setShortcut(Key);
    connect(A, &QAction::triggered, this, [this, Operation = std::move(Operation)] { Run(Operation); });
    return A;
}

void TEditorActions::Run(const std::function<void()>& Operation) {
    RunGuarded(tr("Editing the drawing"), [&] {
        Operation();
        FSurface.Invalidate();
    });
    Update();
    if (OnChanged) OnChanged();
}

void TEditorActions::UpdateLater() {
    QMetaObject::invokeMethod(this, &TEditorActions::Update, Qt::QueuedConnection);
}

bool TEditorActions::SelectionOf(int Count) const {
    return FSurface.SelectedCount() >= Count;
}

void TEditorActions::Update() {
    const bool CanUndo = FSurface.CanUndo();
    const bool CanRedo = FSurface.CanRedo();
    actUndo->setEnabled(CanUndo);
    actUndo->setText(CanUndo ? tr("&Undo %1").arg(ActionWords(FSurface.UndoActionName())) : tr("&Undo"));
    actRedo->setEnabled(CanRedo);
    actRedo->setText(CanRedo ? tr("&Redo %1").arg(ActionWords(FSurface.RedoActionName())) : tr("&Redo"));

    const bool One = SelectionOf(1);
    for (QAction* A :
         {actCut, actCopy, actDuplicate, actDelete, actBringToFront, actBringForward, actSendBackward,
          actSendToBack, actRotateRight, actRotateLeft, actFlipHorz, actFlipVert})
        A->setEnabled(One);
    actGroup->setEnabled(SelectionOf(2));
    actCombine->setEnabled(SelectionOf(2));
    bool AnyGroup = false;
    for (TMyShape* S : FSurface.Selected())
        if (S->ClassName() == QLatin1String("TMyGroup") || S->ClassName() == QLatin1String("TMyCombine"))
            AnyGroup = true;
    actUngroup->setEnabled(AnyGroup);
    mnuAlign->setEnabled(SelectionOf(2));
    for (QAction* A : FAlignActions) A->setEnabled(SelectionOf(2));
    mnuDistribute->setEnabled(SelectionOf(3));
    for (QAction* A : FDistributeActions) A->setEnabled(SelectionOf(3));
    actSelectAll->setEnabled(FSurface.ShapeCount() > 0);

    const QMimeData* Clip = QApplication::clipboard()->mimeData();
    actPaste->setEnabled(Clip && (Clip->hasFormat(TMyDraxa::ShapesMimeType()) || Clip->hasImage()));

    actZoomIn->setEnabled(FSurface.Zoom() < KZooms.back() - 1e-9);
    actZoomOut->setEnabled(FSurface.Zoom() > KZooms.front() + 1e-9);
    actShowGrid->setChecked(FSurface.GridOperation().GridShow);
    actSnap->setChecked(FSurface.Snap());
    if (OnUpdated) OnUpdated();
}

QString TEditorActions::ActionWords(const QString& ActionName) {
    static const std::array<std::pair<const QString*, const char*>, 9> Words{{
        {&ACT_ADD, QT_TRANSLATE_NOOP("TEditorActions", "Add")},
        {&ACT_CHANGE, QT_TRANSLATE_NOOP("TEditorActions", "Change")},
        {&ACT_DELETE, QT_TRANSLATE_NOOP("TEditorActions", "Delete")},
        {&ACT_GROUP, QT_TRANSLATE_NOOP("TEditorActions", "Group")},
        {&ACT_UNGROUP, QT_TRANSLATE_NOOP("TEditorActions", "Ungroup")},
        {&ACT_BRINGTOFRONT, QT_TRANSLATE_NOOP("TEditorActions", "Bring to Front")},
        {&ACT_BRINGTOFRONTBYSTEP, QT_TRANSLATE_NOOP("TEditorActions", "Bring Forward")},
        {&ACT_SENDTOBACK, QT_TRANSLATE_NOOP("TEditorActions", "Send to Back")},
        {&ACT_SENDTOBACKBYSTEP, QT_TRANSLATE_NOOP("TEditorActions", "Send Backward")},
    }};
    for (const auto& [Name, Text] : Words)
        if (*Name == ActionName) return tr(Text);
    // A name from elsewhere: "ACT_SOME_THING" reads "Some thing".
    QString Plain = ActionName;
    if (Plain.startsWith(QLatin1String("ACT_"))) Plain = Plain.mid(4);
    Plain = Plain.replace(QLatin1Char('_'), QLatin1Char(' ')).toLower();
    if (!Plain.isEmpty()) Plain[0] = Plain[0].toUpper();
    return Plain;
}

double TEditorActions::NextZoom(double Zoom, bool In) {
    if (In) {
        for (double Z : KZooms)
            if (Z > Zoom + 1e-9) return Z;
        return KZooms.back();
    }
    for (auto It = KZooms.rbegin(); It != KZooms.rend(); ++It)
        if (*It < Zoom - 1e-9) return *It;
    return KZooms.front();
}

bool TEditorActions::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == &FSurface) {
        const QEvent::Type T = Event->type();
        if (T == QEvent::MouseButtonRelease || T == QEvent::KeyRelease) UpdateLater();
    }
    return QObject::eventFilter(Watched, Event);
}

} // namespace draxa
