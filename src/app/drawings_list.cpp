#include "app/drawings_list.h"

#include "app/form_support.h"
#include "foundation/dialogs.h"
#include "foundation/streams.h"
#include "surface/draxa.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <exception>

namespace draxa {

TDrawingsList::TDrawingsList(TDrawingsStore& Store, QWidget* Parent)
    : QWidget(Parent), FStore(Store), FSearch(new QLineEdit(this)), FSort(new QComboBox(this)),
      FList(new QListWidget(this)), FPainter(std::make_unique<TMyDraxa>()) {
    setObjectName(QStringLiteral("DrawingsList"));
    FSearch->setObjectName(QStringLiteral("edtSearch"));
    FSearch->setPlaceholderText(tr("Search names"));
    FSearch->setClearButtonEnabled(true);
    FSort->setObjectName(QStringLiteral("cbSort"));
    FSort->addItem(tr("By name"), int(TDrawingsOrder::doName));
    FSort->addItem(tr("Newest first"), int(TDrawingsOrder::doLastUpdate));
    FSort->setToolTip(tr("Order of the list"));
    FList->setObjectName(QStringLiteral("lstDrawings"));
    FList->setIconSize(QSize(ThumbWidth, ThumbHeight));
    FList->setUniformItemSizes(true);
    FList->setSelectionMode(QAbstractItemView::SingleSelection);
    FList->setToolTip(tr("Double-click a drawing to edit it"));

    auto* Top = new QHBoxLayout;
    Top->addWidget(FSearch, 1);
    Top->addWidget(FSort);
    auto* Column = new QVBoxLayout(this);
    Column->setContentsMargins(0, 0, 0, 0);
    Column->addLayout(Top);
    Column->addWidget(FList, 1);

    ApplyFormSurfaceSettings(*FPainter);

    connect(FSearch, &QLineEdit::textChanged, this, [this] { Reload(); });
    connect(FSort, qOverload<int>(&QComboBox::activated), this, [this] { Reload(); });
    connect(FList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* Item) {
        if (Item && OnChosen) OnChosen(Item->data(Qt::UserRole).toLongLong());
    });
    connect(FList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* Item) {
        if (Item && OnOpened) OnOpened(Item->data(Qt::UserRole).toLongLong());
    });
}

TDrawingsList::~TDrawingsList() = default;

bool TDrawingsList::Reload() {
    // The list follows the store's cursor.
    const int64_t Keep = FStore.CurrentKey();
    std::vector<TDrawingSummary> Rows;
    const bool Read =
        FStore.ListDrawings(FSearch->text().trimmed(), TDrawingsOrder(FSort->currentData().toInt()), Rows);
    const QSignalBlocker Quiet(FList);
    FList->clear();
    for (const TDrawingSummary& Row : Rows) {
        const QString When = LastUpdateText(Row.LastUpdate);
        auto* Item = new QListWidgetItem(QIcon(Thumbnail(Row)), Row.Name + QLatin1Char('\n') + When, FList);
        Item->setData(Qt::UserRole, qlonglong(Row.Key));
        Item->setToolTip(Row.Name);
    }
    ShowKey(Keep);
    return Read;
}

void TDrawingsList::ShowKey(int64_t Key) {
    const QSignalBlocker Quiet(FList);
    FList->setCurrentItem(nullptr);
    for (int I = 0; I < FList->count(); ++I)
        if (FList->item(I)->data(Qt::UserRole).toLongLong() == Key) {
            FList->setCurrentRow(I);
            FList->scrollToItem(FList->item(I));
            return;
        }
}

int64_t TDrawingsList::CurrentKey() const {
    const QListWidgetItem* Item = FList->currentItem();
    return Item ? Item->data(Qt::UserRole).toLongLong() : -1;
}

QPixmap TDrawingsList::Thumbnail(const TDrawingSummary& Row) {
    const auto Cached = FPictures.constFind(Row.Key);
    if (Cached != FPictures.constEnd() && Cached->LastUpdate == Row.LastUpdate) return Cached->Picture;
    const QPixmap Picture = DrawingThumbnail(*FPainter, Row.Draw, ThumbWidth, ThumbHeight);
    FPictures.insert(Row.Key, TCached{Row.LastUpdate, Picture});
    return Picture;
}

} // namespace draxa
