#pragma once
// List whose items each carry two check boxes in front of the text: the left
// one (for example "granted") and the right one ("with grant option"). User
// clicks keep them consistent: checking the right box checks the left one,
// clearing the left box clears the right one. Remembers the pairs of states
// it was loaded with (Save / IsChanged).
#include <QListWidget>
#include <functional>

class TtvCheckListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TtvCheckListBox(QWidget *parent = nullptr);

    bool GetCheckedL(int Index) const { return GetStateL(Index) == Qt::Checked; }
    bool GetCheckedR(int Index) const { return GetStateR(Index) == Qt::Checked; }
    void SetCheckedL(int Index, bool Checked) { SetStateL(Index, Checked ? Qt::Checked : Qt::Unchecked); }
    void SetCheckedR(int Index, bool Checked) { SetStateR(Index, Checked ? Qt::Checked : Qt::Unchecked); }
    Qt::CheckState GetStateL(int Index) const;
    Qt::CheckState GetStateR(int Index) const;
    void SetStateL(int Index, Qt::CheckState AState);
    void SetStateR(int Index, Qt::CheckState AState);
    bool GetItemEnabledL(int Index) const;
    bool GetItemEnabledR(int Index) const;
    void SetItemEnabledL(int Index, bool Value);
    void SetItemEnabledR(int Index, bool Value);
    // The number the caller attaches to an item; 0 until one is given.
    int GetItemData(int Index) const;
    void SetItemData(int Index, int Value);

    // A click may give the grey state, on a box whose last state set by the
    // program was grey; a click cycles unchecked -> checked -> grey ->
    // unchecked there, unchecked <-> checked on every other box.
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool value) { FAllowGrayed = value; }
    bool Flat() const { return FFlat; }
    void SetFlat(bool value);
    bool AutoSave = false;

    void Save();
    bool IsChanged() const;
    bool GetIsChangedLines(int Index) const;

    // Width of one check column (the glyph and 2 pixels).
    static int GetCheckWidth();

    // A user click or Space on a box: cycles its state (see AllowGrayed) and
    // applies the left/right rule, raising the events.
    void ToggleL(int Index);
    void ToggleR(int Index);

    std::function<void(QObject *Sender)> OnClickCheckL;
    std::function<void(QObject *Sender)> OnClickCheckR;

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;

private:
    QListWidgetItem *CheckedItem(int Index) const;
    Qt::CheckState State(int Index, int role) const;
    void SetState(int Index, int role, Qt::CheckState s);
    Qt::CheckState NextState(int Index, int GrayRole, Qt::CheckState s) const;
    int TrackingValue(int Index) const;

    bool FAllowGrayed = false;
    bool FFlat = true;
    QList<int> FSaveChecked;
};
