// The one seam through which the program talks to its user in a blocking way:
// message boxes, modal dialogs, the file and picture pickers, and the request
// to end the application.
//
// It is also where a handler that failed tells the user so: nothing may
// throw into Qt's event loop, so every handler Qt calls (events, slots,
// timers) catches what its work throws and reports it here (RunGuarded).
//
// Code never calls QMessageBox, QFileDialog or QDialog::exec directly; it calls
// Dialogs(). The program runs with TQtDialogs; tests install a scripted
// replacement (TScopedDialogs), so that every path that would ask the user runs
// without a window ever blocking.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <exception>
#include <utility>

class QDialog;

namespace draxa {

// Modal results, as dialogs report them. A QDialog that accepts reports mrOk
// and one that rejects reports mrCancel; done() with one of these values
// reports it unchanged.
using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                       mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10, mrClose = 11;

// The kind of a message box: its icon and title.
enum class TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// The set of buttons a message box offers; combine with |.
class TMsgDlgButtons {
public:
    constexpr TMsgDlgButtons() = default;
    constexpr explicit TMsgDlgButtons(uint16_t Bits) : FBits(Bits) {}
    constexpr bool Contains(TMsgDlgButtons B) const { return (FBits & B.FBits) == B.FBits; }
    constexpr bool IsEmpty() const { return FBits == 0; }
    constexpr uint16_t Bits() const { return FBits; }
    constexpr TMsgDlgButtons operator|(TMsgDlgButtons B) const {
        return TMsgDlgButtons(uint16_t(FBits | B.FBits));
    }
    constexpr bool operator==(TMsgDlgButtons B) const { return FBits == B.FBits; }
    constexpr bool operator!=(TMsgDlgButtons B) const { return FBits != B.FBits; }

private:
    uint16_t FBits = 0;
};

inline constexpr TMsgDlgButtons mbYes{uint16_t(1u << 0)};
inline constexpr TMsgDlgButtons mbNo{uint16_t(1u << 1)};
inline constexpr TMsgDlgButtons mbOK{uint16_t(1u << 2)};
inline constexpr TMsgDlgButtons mbCancel{uint16_t(1u << 3)};
inline constexpr TMsgDlgButtons mbAbort{uint16_t(1u << 4)};
inline constexpr TMsgDlgButtons mbRetry{uint16_t(1u << 5)};
inline constexpr TMsgDlgButtons mbIgnore{uint16_t(1u << 6)};
inline constexpr TMsgDlgButtons mbAll{uint16_t(1u << 7)};
inline constexpr TMsgDlgButtons mbNoToAll{uint16_t(1u << 8)};
inline constexpr TMsgDlgButtons mbYesToAll{uint16_t(1u << 9)};
inline constexpr TMsgDlgButtons mbClose{uint16_t(1u << 10)};

// The modal result of a button (mrYes for mbYes, ...); mrNone for anything
// that is not exactly one button.
TModalResult ModalResultOf(TMsgDlgButtons Button);
// The answer a box gives when the user dismisses it without choosing (Escape,
// the close box): Cancel, else No, else OK, else the first button offered.
TModalResult DismissResult(TMsgDlgButtons Buttons);

// Everything that waits for the user. Every call returns only after the user
// (or a script standing in for the user) has answered.
class TDialogs {
public:
    virtual ~TDialogs() = default;

    // A plain message box with an OK button.
    virtual void ShowMessage(const QString& Text) = 0;
    // A message box of the given kind with the given buttons; returns the
    // modal result of the button chosen (mrYes, mrNo, mrOk, mrCancel, ...).
    virtual TModalResult MessageDlg(const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) = 0;
    // Shows Dialog modally and returns its modal result.
    virtual TModalResult ExecuteModal(QDialog& Dialog) = 0;
    // The open-file dialog. Filter uses Qt's form ("Drawings (*.tdraxa);;All
    // files (*)"); DefaultExt (without the dot) is appended to a typed name
    // that has none; Title may be empty for the default title; FileName comes
    // in as the suggested name and receives the chosen file. Returns false,
    // leaving FileName as it was, when the user cancels.
    virtual bool PromptForFileName(QString& FileName, const QString& Filter, const QString& DefaultExt,
                                   const QString& Title, const QString& InitialDir) = 0;
    // The save-file dialog, as PromptForFileName: the file may be new, and
    // choosing an existing one asks first whether to replace it. False (the
    // default, for dialogs that offer none) when the user cancels.
    virtual bool PromptForSaveFileName(QString& /*FileName*/, const QString& /*Filter*/,
                                       const QString& /*DefaultExt*/, const QString& /*Title*/) {
        return false;
    }
    // The open-picture dialog for the picture formats the loader reads; as
    // PromptForFileName.
    virtual bool PromptForPicture(QString& FileName, const QString& InitialDir) = 0;
    // The string list editor: Lines comes in as the text to edit and receives
    // the edited lines when the user confirms. False, Lines untouched, when
    // the user cancels or no editor is available (the default: the
    // application installs its own dialog through a derived class).
    virtual bool EditStrings(QStringList& /*Lines*/) { return false; }
    // Asks the application to end: the event loop finishes as soon as it runs
    // (at once when it is already running). The call itself returns.
    virtual void Terminate() = 0;
};

// The real dialogs: QMessageBox, QFileDialog and QDialog::exec, parented to
// the active window.
class TQtDialogs : public TDialogs {
public:
    void ShowMessage(const QString& Text) override;
    TModalResult MessageDlg(const QString& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) override;
    TModalResult ExecuteModal(QDialog& Dialog) override;
    bool PromptForFileName(QString& FileName, const QString& Filter, const QString& DefaultExt,
                           const QString& Title, const QString& InitialDir) override;
    bool PromptForSaveFileName(QString& FileName, const QString& Filter, const QString& DefaultExt,
                               const QString& Title) override;
    bool PromptForPicture(QString& FileName, const QString& InitialDir) override;
    void Terminate() override;
};

// The dialogs in use: the installed replacement, else one process-wide TQtDialogs.
TDialogs& Dialogs();
// Installs Dialogs (not owned; nullptr returns to the real dialogs) and
// returns the previously installed one (nullptr when it was the real one).
TDialogs* SetDialogs(TDialogs* Dialogs);

// ---- handlers that fail ----

// The words for a failure: the exception's own text, or a general phrase
// for one that has none (not enough memory, an unknown exception).
QString ExceptionText(const std::exception_ptr& Error);
// Tells the user, through Dialogs(), that Doing ("Saving the drawing")
// failed and why. While one such report is on the screen a further one is
// dropped, so a failure that repeats cannot stack boxes on one another.
void ReportFailure(const QString& Doing, const std::exception_ptr& Error);
// Runs Body; when it throws, reports that through ReportFailure and returns
// false, so the exception goes no further.
template <typename TBody> bool RunGuarded(const QString& Doing, TBody&& Body) {
    try {
        std::forward<TBody>(Body)();
        return true;
    } catch (...) {
        ReportFailure(Doing, std::current_exception());
        return false;
    }
}

// Installs a replacement for its lifetime and puts the previous one back.
class TScopedDialogs {
public:
    explicit TScopedDialogs(TDialogs& Replacement) : FPrevious(SetDialogs(&Replacement)) {}
    ~TScopedDialogs() { SetDialogs(FPrevious); }
    TScopedDialogs(const TScopedDialogs&) = delete;
    TScopedDialogs& operator=(const TScopedDialogs&) = delete;

private:
    TDialogs* FPrevious;
};

} // namespace draxa
