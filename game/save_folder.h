// The save folder, "KILN-WORKS/Quillmoor" in the user's data folder: it holds
// config.dat and the scripts' save files "Save0000.dat" to "Save0031.dat".
#pragma once

#include <string>

// The folder below file-system slot 1 that is the save folder.
constexpr char kSaveFolderInUserData[] = "/KILN-WORKS/Quillmoor";
// How many numbered save files the game has.
constexpr int kSaveFileCount = 32;

namespace SaveFolder {
// The save folder's path; "" when the user's data folder cannot be found.
std::string Path();
// Creates the folder with every missing parent when it is not a folder yet;
// false when it still is not one.
bool Ensure();
}  // namespace SaveFolder

namespace SaveData {
// "Save%04d.dat" for a number 0..31.
std::string FileName(int number);
// Deletes the 32 save files in `folder`; files that are not there are no
// error. Returns how many were deleted.
int DeleteAllIn(const std::string& folder);
// The same in the save folder.
int DeleteAll();
}  // namespace SaveData
