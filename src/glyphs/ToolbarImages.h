#pragma once
#include <QString>

#include "glyphs/PngImage.h"

// The toolbar images compiled into the program: "add", "remove", "search", "upload".
// Raises EPngError when there is no such image.
TPngImage ToolbarImage(const QString& Name);
