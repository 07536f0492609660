#pragma once
// A sound list kept when the program was ended with unsaved changes: a list file (see
// SoundListFile.h) with one more member, "origin", the list file the rows came from.
#include <filesystem>
#include <vector>

#include "lists/SoundListFile.h"

namespace lists {

struct RecoveredList {
  std::vector<ListedSound> Rows;
  std::filesystem::path Origin;  // empty: the rows were never saved as a list
};

// Writes List to File atomically; throws ListFileError as SaveList does.
void SaveRecoveredList(const std::filesystem::path& File, const RecoveredList& List);

// Reads File; throws ListFileError as LoadList does.
RecoveredList LoadRecoveredList(const std::filesystem::path& File);

}  // namespace lists
