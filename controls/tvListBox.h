#pragma once
// List box that selects every item on the select-all command when it allows
// multiple selection.
#include <QListWidget>

class TtvListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TtvListBox(QWidget *parent = nullptr);

    bool MultiSelect() const;
    void SetMultiSelect(bool value);
    int ItemIndex() const { return currentRow(); }
    void SetItemIndex(int value) { setCurrentRow(value); }

public slots:
    // The main window's select-all command.
    void selectAll() override;
};
