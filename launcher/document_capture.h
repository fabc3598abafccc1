#pragma once

#include "windows_constants.h"

// The document open in the editor: its path as the title shows it (empty
// when nothing was captured) and whether that path names something present.
struct EditorDocument {
    char path[MAX_PATH];
    bool exists;
};

EditorDocument CaptureEditorDocument(const WindowsOperations& windows);
