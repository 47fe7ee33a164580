#include "driver/messages.h"

std::time_t time_analysis_started = std::time(nullptr);
std::atomic<std::time_t> time_next_status_report{std::time(nullptr)};

void update_report_time() { time_next_status_report = std::time(nullptr) + 59; }

bool check_report_status() {
  std::time_t now = std::time(nullptr);
  std::time_t due = time_next_status_report;
  // Of threads that find the report due at once, one reschedules it and reports.
  return now > due && time_next_status_report.compare_exchange_strong(due, now + 59);
}

void report_status(unsigned number_of_sequence, const char* name, unsigned unit_length) {
  unsigned elapsed = static_cast<unsigned>(std::time(nullptr) - time_analysis_started);
  std::fprintf(stderr, "%.2u.%.2u.%.2u - # %3u - %4ubp - %.70s\n", elapsed / 3600, (elapsed % 3600) / 60,
               elapsed % 60, number_of_sequence, unit_length, name);
  std::fflush(stderr);
}

void progress_message(const char* text) {
  std::fputs(text, stderr);
  std::fflush(stderr);
}

void velkor_welcome(FILE* out) {
  std::fputs(
      "\n\n"
      "      Welcome to Velkor, version " VELKOR_VERSION ",\n"
      "      a microsatellite and satellite search tool.\n"
      "      Copyright (C) the Velkor developers.\n"
      "      This program is free software: you may redistribute it and\n"
      "      modify it under the terms of the license that comes with it.\n"
      "      You may use it for any purpose, in research and elsewhere.\n"
      "      It is distributed in the hope that it will be useful, but\n"
      "      WITHOUT ANY WARRANTY; without even the implied warranty of\n"
      "      MERCHANTABILITY or FITNESS FOR A PARTICULAR PURPOSE.\n"
      "      Check every result that matters to you before relying on it.\n"
      "      Please report problems to the developers.\n"
      "      This version is a test version and may still change\n"
      "      in ways that alter its results.\n"
      "\n"
      "      Important note: The search mode: Search for repeats with\n"
      "                      a minimum percentage perfection is not\n"
      "                      fully implemented in this version.\n"
      "\n\n",
      out);
}

void creator_message(FILE* out, const char* prefix) {
  PrintMessage(out, prefix, "Results computed with:\n", prefix, "   Velkor, version " VELKOR_VERSION "\n");
}

void good_bye_on_error(int code) {
  if (code == -1) {
    std::fputs("\n\n", stderr);
  } else if (code < -1) {
    std::fprintf(stderr, "\nAnalysis has been aborted due to errors. Error number: %d\n\n", code);
  }
  std::fflush(stderr);
}

void report_finished(FILE* out) { std::fputs("## Finished successfully. ##\n", out); }

void good_bye() {
  std::fputs("\nAnalysis finished successfully.\n\n", stderr);
  std::fputs("Velkor says goodbye.\n\n", stderr);
  std::fflush(stderr);
}
