#include "datafiles/datafile.h"

int16_t Cancel_Open = 0;
uint16_t FileJustLoaded = 0;
uint16_t ChannelPicker[kMaxChannels + 1] = {};

const char* FileStatusText(FileStatus s) {
  switch (s) {
    case FileStatus::Ok: return "";
    case FileStatus::CannotOpen: return "The file could not be opened.";
    case FileStatus::BadFormat: return "File format seems incorrect.";
    case FileStatus::TooFewCases: return "The file holds fewer than 2 cases.";
    case FileStatus::TooManyCases: return "Too Many Cases. A file holds at most 7,000,000.";
    case FileStatus::NoChannels: return "No channels were chosen.";
    case FileStatus::TooManyChannels: return "Too many channels to fit!";
    case FileStatus::TooManyColumns: return "The file has more than 32 columns of data.";
    case FileStatus::CommentTooLong: return "The comments are too long to save.";
    case FileStatus::BadRange: return "Those cases are outside the file.";
    case FileStatus::TooManyFiles: return "Too many files open.";
    case FileStatus::OutOfMemory: return "Not enough memory for this file.";
    case FileStatus::WriteFailed: return "The file could not be written; the old file is unchanged.";
    case FileStatus::NotSupported: return "This file format is not supported.";
    case FileStatus::UnclosedQuote: return "A quoted field never closes; nothing was imported.";
    case FileStatus::ChangedWhileRead:
      return "The file changed while it was being read: another program may be writing it. Nothing was imported.";
  }
  return "";
}

const char* FileStatusSound(FileStatus s) {
  if (s == FileStatus::Ok) return "";
  return s == FileStatus::BadFormat ? "scream" : "bzot";
}
