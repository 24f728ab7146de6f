// Every text of the plug-in, in Mazovia bytes (the DOS Polish code page the host works in).
// Bytes 0x01 and 0x02 are the host's in-line markup: a directive between two 0x01 bytes,
// emphasis opened by 0x02 and closed by 0x01.
#pragma once

// Plug-in title: 56 characters and the terminating zero.
extern const char kTitle[57];
// Title copy: writes the 57 bytes of the title (its zero included) to the start of `buffer`.
char* title_copy(char* buffer);
// Name of the host program's module, in a field of 8 bytes.
extern const char kHostModuleName[8];

// Missing-entry dialog: caption, message format (module text, entry text, title), and the module
// text used when the plug-in's own file name cannot be had.
extern const char kMissingCaption[];
extern const char kMissingFormat[];
extern const char kUnknownModule[];

// Mismatch report: caption of both messages, the version message (title twice), and the parts of
// the size table: heading (title), row directive, the word for a missing table, closing (file).
extern const char kReportCaption[];
extern const char kVersionFormat[];
extern const char kSizeHeadingFormat[];
extern const char kSizeRowDirective[];
extern const char kSizeMissing[];
extern const char kSizeClosingFormat[];

// Installation notice: message format (title), and the host setting that keeps the notice flag.
extern const char kNoticeFormat[];
extern const char kNoticeSection[];
extern const char kNoticeKey[];
extern const char kNoticeValueFormat[];

// Names of the host tables as the mismatch report shows them.
extern const char kTableMm[];
extern const char kTableMmDok[];
extern const char kTableMr[];
extern const char kTableMrDok[];
extern const char kTableRw[];
extern const char kTableRwDok[];
extern const char kTableK9[];
