#pragma once
// A sound list kept when the program was ended with unsaved changes: a list file (see
// SoundListFile.h) with one more member, "origin", the list file the rows came from.
#include <filesystem>
#include <vector>

#include "lists/SoundListFile.h"

namespace lists {

struct TRecoveredList {
  std::vector<TListedSound> Rows;
  std::filesystem::path Origin;  // empty: the rows were never saved as a list
};

// Writes List to File atomically; throws EListFileError as SaveList does.
void SaveRecoveredList(const std::filesystem::path& File, const TRecoveredList& List);

// Reads File; throws EListFileError as LoadList does.
TRecoveredList LoadRecoveredList(const std::filesystem::path& File);

}  // namespace lists
