#include "app/quantities_panel.h"

#include "foundation/dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSaveFile>
#include <QSet>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <array>
#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace draxa {

namespace {

// What a row of the table is: the shape's number for a shape, -1 otherwise.
constexpr int NumberRole = Qt::UserRole;
// The value a numeric column sorts by.
constexpr int SortRole = Qt::UserRole + 1;

// Rows sort by number in the numeric columns, by text elsewhere; sorting
// moves rows only among their siblings, so layers keep their classes and
// classes their shapes.
class TQuantityItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& Other) const override {
        const int Column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant A = data(Column, SortRole), B = Other.data(Column, SortRole);
        if (A.isValid() || B.isValid()) return A.toDouble() < B.toDouble();
        return QString::localeAwareCompare(text(Column), Other.text(Column)) < 0;
    }
};

// The words the table uses for a shape class.
QString ClassWords(const QString& ClassName) {
    static const std::array<std::pair<const char*, const char*>, 17> Words{{
        {"TMyRectangle", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Rectangles")},
        {"TMyEllipse", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Ellipses")},
        {"TMyPolygon", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Polygons")},
        {"TMyLine", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Lines")},
        {"TMyPolyLine", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Polylines")},
        {"TMyFreeLine", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Freehand lines")},
        {"TMyRuleLine", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Measuring lines")},
        {"TMyElliArc", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Arcs")},
        {"TMyPolyBezier", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Bezier curves")},
        {"TMyBLine", QT_TRANSLATE_NOOP("TQuantitiesPanel", "B-lines")},
        {"TMyLinkLine", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Connectors")},
        {"TMyLinkPoint", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Link points")},
        {"TMyLineLinkLine", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Junctions")},
        {"TMyText", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Texts")},
        {"TMyImage", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Images")},
        {"TMyGroup", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Groups")},
        {"TMyCombine", QT_TRANSLATE_NOOP("TQuantitiesPanel", "Combined shapes")},
    }};
    for (const auto& [Name, Text] : Words)
        if (ClassName == QLatin1String(Name)) return QCoreApplication::translate("TQuantitiesPanel", Text);
    return ClassName;
}

void SetNumber(QTreeWidgetItem* Item, int Column, bool Has, double Value) {
    Item->setTextAlignment(Column, Qt::AlignRight | Qt::AlignVCenter);
    if (!Has) return;
    Item->setText(Column, QLocale().toString(Value, 'f', 2));
    Item->setData(Column, SortRole, Value);
}

} // namespace

TQuantitiesPanel::TQuantitiesPanel(TMyDraxa& Surface, QWidget* Parent)
    : QFrame(Parent), FSurface(Surface), FUnits(new QLabel(this)), FTable(new QTreeWidget(this)),
      FCopy(new QPushButton(tr("&Copy as CSV"), this)), FExport(new QPushButton(tr("&Export CSV..."), this)),
      FLater(new QTimer(this)) {
    setObjectName(QStringLiteral("QuantitiesPanel"));
    FUnits->setObjectName(QStringLiteral("lblUnits"));
    FTable->setObjectName(QStringLiteral("tblQuantities"));
    FTable->setColumnCount(ColumnCount);
    FTable->setHeaderLabels(
        {tr("Layer / class / shape"), tr("Caption"), tr("Count"), tr("Length"), tr("Area")});
    // Layers in the drawing's order and classes by name until a column's
    // header is clicked.
    FTable->header()->setSortIndicator(-1, Qt::AscendingOrder);
    FTable->setSortingEnabled(true);
    FTable->setMinimumHeight(100);
    FTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FTable->setUniformRowHeights(true);
    FTable->header()->setStretchLastSection(false);
    FTable->header()->setSectionResizeMode(colItem, QHeaderView::Stretch);
    FTable->setToolTip(tr("Choose a shape's row to select the shape in the drawing"));
    FCopy->setObjectName(QStringLiteral("btnCopyCsv"));
    FCopy->setAutoDefault(false);
    FExport->setObjectName(QStringLiteral("btnExportCsv"));
    FExport->setAutoDefault(false);

    auto* Buttons = new QHBoxLayout;
    Buttons->addWidget(FUnits, 1);
    Buttons->addWidget(FCopy);
    Buttons->addWidget(FExport);
    auto* Column = new QVBoxLayout(this);
    Column->setContentsMargins(0, 0, 0, 0);
    Column->addWidget(new QLabel(tr("Quantities"), this));
    Column->addWidget(FTable, 1);
    Column->addLayout(Buttons);

    // A burst of changes (a drag, an undo of many shapes) refreshes once.
    FLater->setSingleShot(true);
    FLater->setInterval(50);
    connect(FLater, &QTimer::timeout, this,
            [this] { RunGuarded(tr("Measuring the drawing"), [this] { Refresh(); }); });
    for (auto Signal : {&TMyDraxa::undoRedoChanged, &TMyDraxa::selectionChanged})
        connect(&FSurface, Signal, this, &TQuantitiesPanel::RefreshLater);
    connect(&FSurface, &TMyDraxa::modifiedChanged, this, &TQuantitiesPanel::RefreshLater);
    connect(&FSurface, &TMyDraxa::shapeAdded, this, &TQuantitiesPanel::RefreshLater);
    connect(&FSurface, &TMyDraxa::shapeDeleted, this, &TQuantitiesPanel::RefreshLater);
    connect(&FSurface, &TMyDraxa::layerAdded, this, &TQuantitiesPanel::RefreshLater);
    connect(&FSurface, &TMyDraxa::layerDeleted, this, &TQuantitiesPanel::RefreshLater);
    connect(FTable, &QTreeWidget::itemSelectionChanged, this, &TQuantitiesPanel::RowChosen);
    connect(FCopy, &QPushButton::clicked, this,
            [this] { RunGuarded(tr("Copying the quantities"), [this] { CopyCsv(); }); });
    connect(FExport, &QPushButton::clicked, this,
            [this] { RunGuarded(tr("Exporting the quantities"), [this] { ExportCsv(); }); });
    Refresh();
}

void TQuantitiesPanel::RefreshLater() {
    // A panel put away measures nothing; it is refreshed when it is shown.
    if (isHidden()) return;
    if (!FLater->isActive()) FLater->start();
}

void TQuantitiesPanel::Refresh() {
    FLater->stop();
    const TQuantities Q = FSurface.Quantities();
    const QString Unit = UnitSymbol(Q.Unit);
    // Everything the table shows, in one text.
    const QString Now = Unit + QString::number(Q.Ratio, 'g', 17) + QuantityShapesCsv(Q);
    if (Now == FShown) {
        ShowSelection();
        return;
    }
    FShown = Now;

    FUnits->setText(tr("Lengths in %1, areas in %1\u00B2, at scale 1 : %2")
                        .arg(Unit, QLocale().toString(Q.Ratio, 'g', 6)));
    // The layers and classes open now stay open.
    QSet<QString> Open;
    for (int I = 0; I < FTable->topLevelItemCount(); ++I) {
        QTreeWidgetItem* Layer = FTable->topLevelItem(I);
        if (Layer->isExpanded()) Open << Layer->data(colItem, NumberRole + 2).toString();
        for (int J = 0; J < Layer->childCount(); ++J)
            if (Layer->child(J)->isExpanded())
                Open << Layer->child(J)->data(colItem, NumberRole + 2).toString();
    }
    const bool First = FTable->topLevelItemCount() == 0;

    FFilling = true;
    const QSignalBlocker Quiet(FTable);
    FTable->setSortingEnabled(false);
    FTable->clear();
    std::map<int, QTreeWidgetItem*> Layers;
    std::map<std::pair<int, QString>, QTreeWidgetItem*> Classes;
    for (const TQuantityRow& R : Q.Rows) {
        QTreeWidgetItem*& Layer = Layers[R.LayerId];
        if (!Layer) {
            Layer = new TQuantityItem(FTable);
            Layer->setText(colItem, R.LayerHidden ? tr("%1 (hidden)").arg(R.Layer) : R.Layer);
            Layer->setData(colItem, NumberRole, -1);
            Layer->setData(colItem, NumberRole + 2, QStringLiteral("L%1").arg(R.LayerId));
            QFont Bold = Layer->font(colItem);
            Bold.setBold(true);
            for (int C = 0; C < ColumnCount; ++C) Layer->setFont(C, Bold);
            if (R.LayerHidden)
                Layer->setForeground(colItem, palette().brush(QPalette::Disabled, QPalette::Text));
            Layer->setData(colCount, SortRole, 0);
            Layer->setData(colLength, SortRole, 0.0);
            Layer->setData(colArea, SortRole, 0.0);
        }
        auto* Class = new TQuantityItem(Layer);
        Class->setText(colItem, ClassWords(R.ClassName));
        Class->setData(colItem, NumberRole, -1);
        Class->setData(colItem, NumberRole + 2, QStringLiteral("L%1/%2").arg(R.LayerId).arg(R.ClassName));
        Class->setText(colCount, QString::number(R.Count));
        Class->setData(colCount, SortRole, R.Count);
        Class->setTextAlignment(colCount, Qt::AlignRight | Qt::AlignVCenter);
        SetNumber(Class, colLength, R.HasLength, R.Length);
        SetNumber(Class, colArea, R.HasArea, R.Area);
        Classes[{R.LayerId, R.ClassName}] = Class;
        // The layer's totals.
        const int Count = Layer->data(colCount, SortRole).toInt() + R.Count;
        Layer->setText(colCount, QString::number(Count));
        Layer->setData(colCount, SortRole, Count);
        Layer->setTextAlignment(colCount, Qt::AlignRight | Qt::AlignVCenter);
        if (R.HasLength)
            SetNumber(Layer, colLength, true, Layer->data(colLength, SortRole).toDouble() + R.Length);
        if (R.HasArea) SetNumber(Layer, colArea, true, Layer->data(colArea, SortRole).toDouble() + R.Area);
    }
    for (const TQuantityShape& S : Q.Shapes) {
        QTreeWidgetItem* Class = Classes[{S.LayerId, S.ClassName}];
        if (!Class) continue;
        auto* Row = new TQuantityItem(Class);
        Row->setText(colItem, S.Name);
        Row->setText(colCaption, S.Caption);
        Row->setData(colItem, NumberRole, S.Number);
        SetNumber(Row, colLength, S.HasLength, S.Length);
        SetNumber(Row, colArea, S.HasArea, S.Area);
    }
    for (auto& [Id, Layer] : Layers) {
        Layer->setExpanded(First || Open.contains(Layer->data(colItem, NumberRole + 2).toString()));
        for (int J = 0; J < Layer->childCount(); ++J)
            Layer->child(J)->setExpanded(
                Open.contains(Layer->child(J)->data(colItem, NumberRole + 2).toString()));
    }
    FTable->setSortingEnabled(true);
    for (int C = colCaption; C < ColumnCount; ++C) FTable->resizeColumnToContents(C);
    FFilling = false;
    FCopy->setEnabled(!Q.Rows.empty());
    FExport->setEnabled(!Q.Rows.empty());
    ShowSelection();
}

void TQuantitiesPanel::ShowSelection() {
    QSet<int> Chosen;
    std::function<void(TMyShape*)> Add = [&](TMyShape* S) {
        if (!S || Chosen.contains(S->ShapeNo())) return;
        Chosen << S->ShapeNo();
        for (int M : S->Members()) Add(FSurface.ShapeByIndex(M));
    };
    for (TMyShape* S : FSurface.Selected()) Add(S);
    FFilling = true;
    const QSignalBlocker Quiet(FTable);
    for (QTreeWidgetItemIterator It(FTable); *It; ++It) {
        const int Number = (*It)->data(colItem, NumberRole).toInt();
        (*It)->setSelected(Number >= 0 && Chosen.contains(Number));
    }
    FTable->viewport()->update();
    FFilling = false;
}

void TQuantitiesPanel::RowChosen() {
    if (FFilling) return;
    std::vector<TMyShape*> Shapes;
    for (QTreeWidgetItem* Item : FTable->selectedItems()) {
        const int Number = Item->data(colItem, NumberRole).toInt();
        if (TMyShape* S = Number >= 0 ? FSurface.ShapeByNumber(Number) : nullptr) Shapes.push_back(S);
    }
    if (Shapes.empty()) return;
    RunGuarded(tr("Selecting the shape"), [&] {
        FSurface.UnselectAll();
        // A shape on a hidden layer cannot be selected; the row stays chosen.
        for (TMyShape* S : Shapes)
            if (FSurface.IsLayerVisible(S->LayerId())) FSurface.SelectShape(S);
        FSurface.Invalidate();
    });
}

void TQuantitiesPanel::CopyCsv() {
    QApplication::clipboard()->setText(QuantitiesCsv(FSurface.Quantities()));
}

bool TQuantitiesPanel::ExportCsv() {
    QString File = QDir::home().filePath(tr("quantities.csv"));
    if (!Dialogs().PromptForSaveFileName(File, tr("CSV files (*.csv)"), QStringLiteral("csv"),
                                         tr("Export the Quantities")))
        return false;
    if (QFileInfo(File).suffix().isEmpty()) File += QStringLiteral(".csv");
    // Written whole or not at all: a file that was there stays as it was on failure.
    QSaveFile Out(File);
    const QByteArray Csv = QuantitiesCsv(FSurface.Quantities()).toUtf8();
    if (!Out.open(QIODevice::WriteOnly) || Out.write(Csv) != Csv.size() || !Out.commit()) {
        Dialogs().ShowMessage(tr("The quantities could not be written to \"%1\": %2")
                                  .arg(QDir::toNativeSeparators(File), Out.errorString()));
        return false;
    }
    return true;
}

} // namespace draxa
