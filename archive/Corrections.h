#pragma once

#include <string>
#include <vector>

#include "FileSystem.h"
#include "KeptDownload.h"

// A kept download is the meter's word and never changes. What a user mends in it (a wrong
// units answer, a wrong date on the computer that read it) is a line of a log beside the kept
// downloads, "corrections.txt", that only grows: after a version line, one line a change,
// its fields separated by tabs:
//   2026-12-08 09:00:00 +01:00	20261207-101542-1	units	none	mg/l
// when it was made, the download's id, the field, its text before and after, each text as
// the kept file writes that field. Every reader of the kept downloads applies the lines in
// their order, so the last change of a field stands.

extern const char* const kCorrectionsFileName;

// The fields that can be mended, as the kept file names them.
extern const char* const kUnitsField;       // "units": none, mg/l or sat
extern const char* const kDownloadedField;  // "downloaded": the moment whose date places the readings

struct Correction {
  LocalMoment when;
  std::string id, field, from, to;
};

// One line of the log, with its newline.
std::string CorrectionLine(const Correction& correction);

// The log's text; false with `error` naming the line. A last line without its newline is a
// write that never finished, and is not a correction.
bool ParseCorrections(const std::string& text, std::vector<Correction>& corrections, std::string& error);

// The download's fields as its corrections leave them; false with `error` for one that cannot
// hold (units for a meter that has none).
bool ApplyCorrections(const std::vector<Correction>& corrections, const std::string& id, KeptDownload& kept,
                      std::string& error);

// The log of a folder of kept downloads: none is an empty log. False with `error` naming the
// file and the line.
bool ReadCorrections(const std::string& folder, const FileSystem& files, std::vector<Correction>& corrections,
                     std::string& error);

// Adds a line to the log, made when missing; false with the system's reason.
bool AddCorrection(const std::string& folder, const FileSystem& files, const Correction& correction,
                   std::string& reason);

// The text of a field of a kept download.
std::string FieldText(const KeptDownload& kept, const std::string& field);
