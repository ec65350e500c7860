#pragma once
// TEditorScreen: applies the row store's pending draw info to one editor
// after a change: repaints the changed rows and moves the rows below by the
// difference instead of repainting them.
class TEditor;

class TEditorScreen {
public:
    explicit TEditorScreen(TEditor *Editor) : FEditor(Editor) {}
    virtual ~TEditorScreen() = default;
    virtual void Update();

protected:
    TEditor *FEditor;
};
