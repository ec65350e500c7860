#pragma once
// Errors raised by the editor layer. The text is shown to the user as it
// stands.
#include "platform/Errors.h"

// Any failure of an editor class (assignment between unrelated settings
// objects, a full bracket collection, a parser without fountain ...).
class EEditorError : public tv::Error {
public:
    using tv::Error::Error;
};

// An index outside a string list: "リストのインデックスが範囲を超えています".
class EStringListError : public EEditorError {
public:
    EStringListError() : EEditorError(QStringLiteral("リストのインデックスが範囲を超えています")) {}
};
