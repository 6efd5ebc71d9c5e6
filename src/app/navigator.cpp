#include "app/navigator.h"

#include "app/drawings_store.h"
#include "foundation/dialogs.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace draxa {

namespace {

struct TButtonLook {
    const char* Name;
    const char* Hint;
};

constexpr std::array<TButtonLook, TDBNavigator::ButtonCount> KLooks{{
    {"First", QT_TRANSLATE_NOOP("TDBNavigator", "First record")},
    {"Prior", QT_TRANSLATE_NOOP("TDBNavigator", "Prior record")},
    {"Next", QT_TRANSLATE_NOOP("TDBNavigator", "Next record")},
    {"Last", QT_TRANSLATE_NOOP("TDBNavigator", "Last record")},
    {"Insert", QT_TRANSLATE_NOOP("TDBNavigator", "Insert record")},
    {"Delete", QT_TRANSLATE_NOOP("TDBNavigator", "Delete record")},
    {"Edit", QT_TRANSLATE_NOOP("TDBNavigator", "Edit record")},
    {"Refresh", QT_TRANSLATE_NOOP("TDBNavigator", "Refresh data")},
}};

// The glyph of a button, drawn on a 16 x 16 pixmap in one colour; a
// disabled button shows Qt's greyed version of it.
QIcon Glyph(TNavigateBtn Which) {
    const qreal Ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap Pixmap(int(16 * Ratio), int(16 * Ratio));
    Pixmap.setDevicePixelRatio(Ratio);
    Pixmap.fill(Qt::transparent);
    QPainter P(&Pixmap);
    P.setRenderHint(QPainter::Antialiasing);
    const QColor Ink(0x20, 0x20, 0x28);
    P.setPen(Qt::NoPen);
    P.setBrush(Ink);
    const auto Left = [&](qreal X) { P.drawPolygon(QPolygonF({{X, 8}, {X + 5, 3}, {X + 5, 13}})); };
    const auto Right = [&](qreal X) { P.drawPolygon(QPolygonF({{X + 5, 8}, {X, 3}, {X, 13}})); };
    switch (Which) {
    case TNavigateBtn::nbFirst:
        P.drawRect(QRectF(4, 3, 1.6, 10));
        Left(6);
        break;
    case TNavigateBtn::nbPrior:
        Left(5.5);
        break;
    case TNavigateBtn::nbNext:
        Right(5.5);
        break;
    case TNavigateBtn::nbLast:
        Right(5);
        P.drawRect(QRectF(10.4, 3, 1.6, 10));
        break;
    case TNavigateBtn::nbInsert:
        P.drawRect(QRectF(3, 7, 10, 2));
        P.drawRect(QRectF(7, 3, 2, 10));
        break;
    case TNavigateBtn::nbDelete:
        P.drawRect(QRectF(3, 7, 10, 2));
        break;
    case TNavigateBtn::nbEdit: {
        // A pencil writing down to the left.
        P.save();
        P.translate(8, 8);
        P.rotate(45);
        P.drawRect(QRectF(-1.8, -6.5, 3.6, 9));
        P.drawPolygon(QPolygonF({{-1.8, 3.2}, {1.8, 3.2}, {0, 6.5}}));
        P.restore();
        break;
    }
    case TNavigateBtn::nbRefresh: {
        P.setBrush(Qt::NoBrush);
        P.setPen(QPen(Ink, 1.8, Qt::SolidLine, Qt::FlatCap));
        P.drawArc(QRectF(3, 3, 10, 10), 100 * 16, 290 * 16);
        P.setPen(Qt::NoPen);
        P.setBrush(Ink);
        P.drawPolygon(QPolygonF({{7, 0.8}, {11, 3.2}, {7, 5.6}}));
        break;
    }
    }
    return QIcon(Pixmap);
}

} // namespace

TDBNavigator::TDBNavigator(TDrawingsStore& Store, QWidget* Parent) : QWidget(Parent), FStore(Store) {
    setObjectName(QStringLiteral("DBNavigator1"));
    for (int I = 0; I < ButtonCount; ++I) {
        const auto Which = TNavigateBtn(I);
        auto* B = new QToolButton(this);
        B->setObjectName(QStringLiteral("nb") + QLatin1String(KLooks[size_t(I)].Name));
        B->setToolTip(tr(KLooks[size_t(I)].Hint));
        B->setIcon(Glyph(Which));
        B->setIconSize(QSize(16, 16));
        // Clicking a navigator button leaves the keyboard focus where it was.
        B->setFocusPolicy(Qt::NoFocus);
        connect(B, &QToolButton::clicked, this, [this, Which] { BtnClick(Which); });
        FButtons[size_t(I)] = B;
    }
    UpdateButtons();
}

void TDBNavigator::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    // Equal widths; the last button takes what the division leaves over.
    const int W = width() / ButtonCount;
    for (int I = 0; I < ButtonCount; ++I)
        FButtons[size_t(I)]->setGeometry(I * W, 0, I == ButtonCount - 1 ? width() - I * W : W, height());
}

void TDBNavigator::BtnClick(TNavigateBtn Which) {
    switch (Which) {
    case TNavigateBtn::nbFirst:
        FStore.First();
        break;
    case TNavigateBtn::nbPrior:
        FStore.Prior();
        break;
    case TNavigateBtn::nbNext:
        FStore.Next();
        break;
    case TNavigateBtn::nbLast:
        FStore.Last();
        break;
    case TNavigateBtn::nbInsert:
    case TNavigateBtn::nbEdit:
        // The editor does the writing, when the user confirms it.
        break;
    case TNavigateBtn::nbDelete:
        if (FStore.IsEmpty()) break;
        if (ConfirmDelete &&
            Dialogs().MessageDlg(tr("Delete record?"), TMsgDlgType::mtConfirmation, mbYes | mbNo) != mrYes)
            break;
        if (!FStore.DeleteCurrent()) Dialogs().ShowMessage(FStore.LastError());
        break;
    case TNavigateBtn::nbRefresh:
        if (!FStore.Refresh()) Dialogs().ShowMessage(FStore.LastError());
        break;
    }
    if (OnClick) OnClick(Which);
    UpdateButtons();
}

void TDBNavigator::UpdateButtons() {
    const bool Open = FStore.IsOpen();
    const bool Any = Open && !FStore.IsEmpty();
    Button(TNavigateBtn::nbFirst)->setEnabled(Any && !FStore.IsFirst());
    Button(TNavigateBtn::nbPrior)->setEnabled(Any && !FStore.IsFirst());
    Button(TNavigateBtn::nbNext)->setEnabled(Any && !FStore.IsLast());
    Button(TNavigateBtn::nbLast)->setEnabled(Any && !FStore.IsLast());
    Button(TNavigateBtn::nbInsert)->setEnabled(Open);
    Button(TNavigateBtn::nbDelete)->setEnabled(Any);
    Button(TNavigateBtn::nbEdit)->setEnabled(Any);
    Button(TNavigateBtn::nbRefresh)->setEnabled(Open);
}

} // namespace draxa
