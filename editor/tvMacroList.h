#pragma once
// TtvMacroList: the keyboard macro of the SQL editors. One recording is
// shared by every TtvMemo of the process (the global MacroList): keys typed
// into any memo while recording are kept with their Shift, Ctrl and Alt
// state, and TtvMemo::Execute replays them into whichever memo runs it.
//
// Recording listens to the application's events while the state is
// msRecording: every key press (a shortcut key included, which never reaches
// the memo as a key press) and every input-method commit whose receiver is a
// TtvMemo using this list is recorded once. The memo's operations BeginRec,
// EndRec, CancelRec, Execute and CancelExec move the state:
//   msNone -> BeginRec -> msRecording -> EndRec -> msWaiting
//   msRecording -> CancelRec -> msNone; msWaiting -> BeginRec records anew
//   msWaiting -> Execute -> msRunning -> msWaiting (when done or cancelled)
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QEvent;
class QKeyEvent;

enum TtvMacroStatus : std::uint8_t { msNone, msRecording, msWaiting, msRunning };

// What a record replays: a key press (key code, its characters and
// modifiers) or a text committed by the input method.
enum TKeyMacroMsg : std::uint8_t { kmKeyDown, kmImeChar };

struct TKeyMacroData {
    TKeyMacroMsg Msg = kmKeyDown;
    int Key = 0;       // Qt key code (kmKeyDown)
    QString Text;      // the key's characters, or the committed text (kmImeChar)
    bool AutoRepeat = false;
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;
    bool Keypad = false;
};
using PKeyMacroData = TKeyMacroData *;

class TtvMacroList : public QObject {
    Q_OBJECT

public:
    explicit TtvMacroList(QObject *Parent = nullptr);
    ~TtvMacroList() override;

    TtvMacroStatus Status() const { return FStatus; }
    int Count() const { return int(FItems.size()); }
    const TKeyMacroData &Items(int Index) const { return *FItems.at(size_t(Index)); }

    // Frees every record.
    virtual void Clear();
    // Records a key press (or shortcut override) or an input-method commit
    // and returns the new record; modifier keys alone, empty commits and
    // other events record nothing (nullptr).
    virtual PKeyMacroData Add(const QEvent &Message);

    // Set by the main window: given the shortcut (virtual key + 0x2000 Shift,
    // 0x4000 Ctrl, 0x8000 Alt) of a replayed key, triggers the action that
    // has it and answers true; false when no action has it (the key then goes
    // to the memo).
    std::function<bool(int ShortCut)> OnShortCut;

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    friend class TtvMemo;
    // The memo's operations write the state; recording listens while it is
    // msRecording.
    void SetStatus(TtvMacroStatus Value);

    std::vector<std::unique_ptr<TKeyMacroData>> FItems;
    TtvMacroStatus FStatus = msNone;
    // The last shortcut override recorded: the key press that follows it for
    // the same key is the same keystroke.
    struct {
        QPointer<QObject> Receiver;
        int Key = 0;
        int Modifiers = 0;
        QString Text;
    } FPending;
};

// The one macro store of the process, shared by every SQL editor. It exists
// between CreateSharedMacroList and FreeSharedMacroList (the start and end of
// the shared services); null otherwise.
extern TtvMacroList *MacroList;
void CreateSharedMacroList();
void FreeSharedMacroList();
