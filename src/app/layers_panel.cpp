#include "app/layers_panel.h"

#include "foundation/dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace draxa {

TLayersPanel::TLayersPanel(TMyDraxa& Surface, QWidget* Parent)
    : QFrame(Parent), FSurface(Surface), FList(new QListWidget(this)),
      FAdd(new QPushButton(tr("&Add"), this)), FDelete(new QPushButton(tr("De&lete"), this)),
      FMoveHere(new QPushButton(tr("&Move selection here"), this)) {
    setObjectName(QStringLiteral("LayersPanel"));
    FList->setObjectName(QStringLiteral("lstLayers"));
    FList->setToolTip(
        tr("Tick to show a layer; double-click to rename it; new shapes go on the current one"));
    FAdd->setObjectName(QStringLiteral("btnAddLayer"));
    FAdd->setAutoDefault(false);
    FDelete->setObjectName(QStringLiteral("btnDeleteLayer"));
    FDelete->setAutoDefault(false);
    FMoveHere->setObjectName(QStringLiteral("btnMoveToLayer"));
    FMoveHere->setAutoDefault(false);
    FMoveHere->setToolTip(tr("Put the selected shapes on the current layer"));

    auto* Buttons = new QHBoxLayout;
    Buttons->addWidget(FAdd);
    Buttons->addWidget(FDelete);
    auto* Column = new QVBoxLayout(this);
    Column->setContentsMargins(0, 0, 0, 0);
    Column->addWidget(new QLabel(tr("Layers"), this));
    Column->addWidget(FList, 1);
    Column->addLayout(Buttons);
    Column->addWidget(FMoveHere);
    setFixedWidth(150);

    connect(FList, &QListWidget::itemChanged, this, &TLayersPanel::ItemChanged);
    connect(FList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* Item) {
        if (!Item) return;
        FSurface.SetCurrentLayer(Item->data(Qt::UserRole).toInt());
        Changed();
    });
    connect(FAdd, &QPushButton::clicked, this, &TLayersPanel::AddLayer);
    connect(FDelete, &QPushButton::clicked, this, &TLayersPanel::DeleteCurrentLayer);
    connect(FMoveHere, &QPushButton::clicked, this, &TLayersPanel::MoveSelectionHere);
    Update();
}

QString TLayersPanel::Signature() const {
    QString Text = QString::number(FSurface.CurrentLayer());
    for (const LayerRec& L : FSurface.Layers())
        Text += QStringLiteral("|%1:%2:%3").arg(L.Id).arg(L.Visible).arg(L.Name);
    return Text;
}

void TLayersPanel::Update() {
    // Whether anything selected lies elsewhere.
    bool Elsewhere = false;
    for (TMyShape* S : FSurface.Selected()) Elsewhere = Elsewhere || S->LayerId() != FSurface.CurrentLayer();
    FMoveHere->setEnabled(Elsewhere);
    const QString Now = Signature();
    if (Now == FShown) return;
    FShown = Now;
    const QSignalBlocker Quiet(FList);
    FList->clear();
    for (const LayerRec& L : FSurface.Layers()) {
        auto* Item = new QListWidgetItem(L.Name, FList);
        Item->setData(Qt::UserRole, L.Id);
        Item->setFlags(Item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
        Item->setCheckState(L.Visible ? Qt::Checked : Qt::Unchecked);
        if (L.Id == FSurface.CurrentLayer()) FList->setCurrentItem(Item);
    }
    FDelete->setEnabled(FSurface.LayerCount() > 1);
}

void TLayersPanel::ItemChanged(QListWidgetItem* Item) {
    const int Id = Item->data(Qt::UserRole).toInt();
    RunGuarded(tr("Changing the layer"), [&] {
        FSurface.SetLayerVisible(Id, Item->checkState() == Qt::Checked);
        const QString Name = Item->text().trimmed();
        const int At = FSurface.LayerIndexOf(uint8_t(Id));
        if (At >= 0 && FSurface.Layers()[size_t(At)].Name != Name && !FSurface.RenameLayer(Id, Name))
            Dialogs().ShowMessage(tr("A layer needs a name that no other layer of the drawing has."));
    });
    FShown.clear(); // show the names as they are now
    Update();
    Changed();
}

void TLayersPanel::AddLayer() {
    QString Name;
    for (int N = FSurface.LayerCount();; ++N) {
        Name = tr("Layer%1").arg(N);
        bool Taken = false;
        for (const LayerRec& L : FSurface.Layers()) Taken = Taken || L.Name == Name;
        if (!Taken) break;
    }
    FSurface.AddLayer(Name, true); // it becomes the current layer
    Update();
    Changed();
}

void TLayersPanel::DeleteCurrentLayer() {
    if (FSurface.LayerCount() <= 1) return; // shapes always have a layer to go on
    const int Id = FSurface.CurrentLayer();
    const int At = FSurface.LayerIndexOf(uint8_t(Id));
    if (At < 0) return;
    TArrMyShape Shapes;
    FSurface.GetLayerShapes(uint8_t(Id), Shapes);
    if (!Shapes.empty() &&
        Dialogs().MessageDlg(tr("The layer \"%1\" holds %n shape(s). Delete the layer with them?\n\n"
                                "This cannot be undone.",
                                nullptr, int(Shapes.size()))
                                 .arg(FSurface.Layers()[size_t(At)].Name),
                             TMsgDlgType::mtConfirmation, mbYes | mbNo) != mrYes)
        return;
    RunGuarded(tr("Deleting the layer"), [&] { FSurface.DeleteLayer(uint8_t(Id)); });
    Update();
    Changed();
}

void TLayersPanel::RenameCurrentLayer() {
    if (QListWidgetItem* Item = FList->currentItem()) FList->editItem(Item);
}

bool TLayersPanel::MoveSelectionHere() {
    bool Moved = false;
    RunGuarded(tr("Moving the shapes to the layer"),
               [&] { Moved = FSurface.MoveSelectionToLayer(FSurface.CurrentLayer()); });
    Update();
    Changed();
    return Moved;
}

void TLayersPanel::Changed() {
    if (OnChanged) OnChanged();
}

} // namespace draxa
