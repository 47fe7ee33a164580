#ifndef VELKOR_SEARCH_SEARCH_PROGRESS_H
#define VELKOR_SEARCH_SEARCH_PROGRESS_H

// How a search tells whoever runs it of its progress: a note as it passes
// from one stage to the next, and now and then, while it walks through a
// long record, a chance to write a progress line. Either may be left out;
// the search then tells nothing of it.
struct SearchProgress {
  // Given notes_to with each note: where the caller wants the notes of
  // this search to go (a record searched beside others keeps them until
  // its turn to be reported comes). Only the record's own thread tells
  // notes: the parts of a record searched on other workers share notes_to
  // and call at() alone.
  void (*note)(void* notes_to, const char* text) = nullptr;
  void* notes_to = nullptr;
  // Called every so many positions with the unit length being searched: it
  // must cost next to nothing when no line is due.
  void (*passing)(unsigned record_number, const char* record_name, unsigned unit_length) = nullptr;

  void tell(const char* text) const {
    if (note) note(notes_to, text);
  }
  void at(unsigned record_number, const char* record_name, unsigned unit_length) const {
    if (passing) passing(record_number, record_name, unit_length);
  }
};

#endif
