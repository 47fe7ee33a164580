#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "repeats/CSequence_Mol.h"
#include "repeats/Csat.h"
#include "repeats/alignment_lines.h"
#include "repeats/catalog_writers.h"
#include "repeats/repeat_files.h"
#include "repeats/entry_columns.h"
#include "repeats/report_block.h"
#include "repeats/report_options.h"
#include "repeats/text_buffer.h"
#include "captured_output.h"

namespace {

std::string repeated(const std::string& unit, unsigned times) {
  std::string s;
  for (unsigned i = 0; i < times; ++i) s += unit;
  return s;
}

class Report : public ::testing::Test {
 protected:
  void use_sequence(const std::string& name, const std::string& residues) {
    text = residues;
    seq.name = name;
    seq.residues = &text[0];
    seq.length = static_cast<unsigned>(text.size());
  }

  // The repeat [start, end] (1-based) grown both ways from the unit copy at
  // unit_start; errors are 1-based positions with their kinds, e.g. "20M41I".
  Csat& repeat(unsigned start, unsigned end, unsigned unit_length, const char* errors = "", unsigned unit_start = 0) {
    if (unit_start == 0) unit_start = start;
    const char* unit = seq.residues + unit_start - 1;
    Csat* sat = pool.get_new(unit, unit + unit_length);
    sat->sat_begin = seq.residues + start - 1;
    sat->sat_end = seq.residues + end;
    const unsigned before = unit_start - start;  // residues left of the unit copy
    sat->unit_pos_backward = unit + (unit_length - 1 + unit_length - before % unit_length) % unit_length;
    for (char* kind; *errors; errors = kind + 1) {
      const long position = std::strtol(errors, &kind, 10);
      sat->missense.push_back({sat->sat_begin + position - 1, *kind});
      (*kind == 'M' ? sat->mismatches : *kind == 'I' ? sat->insertions : sat->deletions)++;
    }
    owned.sats.push_back(sat);
    return *sat;
  }

  std::string entry(Csat& sat) {
    return captured([&](FILE* out) {
      auto unit_texts = std::make_unique<UnitTextCache>(options.unit_mode);
      EntryWriter writer(out, options, *unit_texts);
      writer.write(sat, seq);
      writer.finish();
    });
  }

  std::string lines_below(Csat& sat) {
    const std::string written = entry(sat);
    return written.substr(written.find('\n') + 1);
  }

  Csat& random_repeat(std::mt19937& random, unsigned spread, unsigned most_entries);

  ReportOptions options;
  const std::size_t DEFAULT_WINDOW = options.alignment_window;
  CSequence_Mol seq;
  std::string text;
  Csat_garbagecollector pool;
  CsatContainer owned{&pool};
};

// The layout without the N column is met by no whole run.
TEST_F(Report, ExtendedFormatWithAndWithoutNColumn) {
  options.sequence_lines = 0;
  use_sequence("s", std::string(100, 'G') + repeated("AC", 30) + "GG");
  Csat& sat = repeat(101, 160, 2, "20M41I");
  sat.score = 44;
  const std::string tail = "|  unit AC\nMissense: (20,M),(41,I),\n";
  const std::string columns = "    dinucleotide       101 :       160 |     60 bp |     59 BP |     44 pt |  96.610 % |   1 mis "
                              "|   1 ins |   0 del ";
  EXPECT_EQ(entry(sat), columns + "|   0 N " + tail);
  options.N_column = false;
  EXPECT_EQ(entry(sat), columns + tail);
}

TEST_F(Report, SputnikLengthPerfectionAndNames) {
  options.format = 2;
  options.sequence_lines = 0;
  use_sequence("s", std::string(10, 'T') + repeated("AC", 150));
  // The length column is the normalised length.
  Csat& deletions = repeat(11, 30, 2, "5D9D");
  deletions.score = 4;
  EXPECT_EQ(entry(deletions), "dinucleotide 11 : 30 -- length 22 score 4 perfection 91 unit AC\n");
  // The perfection is rounded half up: 7/8 and 199/200.
  EXPECT_EQ(entry(repeat(11, 18, 2, "4M")), "dinucleotide 11 : 18 -- length 8 score 0 perfection 88 unit AC\n");
  Csat& half_up = repeat(11, 210, 2, "4M");
  EXPECT_EQ(entry(half_up), "dinucleotide 11 : 210 -- length 200 score 0 perfection 100 unit AC\n");
  half_up.Ns = 1;
  EXPECT_EQ(entry(half_up), "dinucleotide 11 : 210 -- length 200 score 0 perfection 99 unit AC\n");

  options.unit_mode = 0;
  const char* names[] = {"", "mononucleotide", "dinucleotide", "trinucleotide", "tetranucleotide",
                         "pentanucleotide", "hexanucleotide", "7-nucleotide", "8-nucleotide", "9-nucleotide",
                         "10-nucleotide"};
  for (unsigned k = 1; k <= 10; ++k) {
    use_sequence("s", repeated(std::string(k - 1, 'C') + "A", 2));
    const std::string line = entry(repeat(1, 2 * k, k));
    EXPECT_EQ(line.substr(0, line.find(' ')), names[k]) << line;
  }
}

// The unit as found, its least rotation, or the least of its rotations and
// those of its reverse complement; in no mode a unit that repeats a shorter
// one. Modes change between entries, as between runs.
TEST_F(Report, UnitModesAndPeriodicUnitsLeftOut) {
  options.format = 2;
  options.sequence_lines = 0;
  use_sequence("s", "CACACAGTGTGT" + repeated("ATAT", 3) + repeated("ATGATG", 2) + repeated("ACACAC", 2) +
                        repeated("ATG", 3));
  Csat* sats[] = {&repeat(1, 6, 2), &repeat(7, 12, 2), &repeat(13, 24, 4), &repeat(25, 36, 6), &repeat(37, 48, 6),
                  &repeat(49, 57, 3)};
  const char* units[3][6] = {{"CA\n", "GT\n", "", "", "", "ATG\n"}, {"AC\n", "GT\n", "", "", "", "ATG\n"},
                             {"AC\n", "AC\n", "", "", "", "ATC\n"}};
  for (int mode = 0; mode < 3; ++mode) {
    options.unit_mode = mode;
    for (int i = 0; i < 6; ++i) {
      const std::string line = entry(*sats[i]);
      EXPECT_EQ(line.empty() ? line : line.substr(line.find(" unit ") + 6), units[mode][i]) << mode << " " << i;
    }
  }
}

std::string files_of(CSequence_Mol& seq, const SatList& sats, FILE* RepeatFileStreams::*slot) {
  return captured([&](FILE* out) {
    RepeatFileStreams streams;
    streams.*slot = out;
    auto files = std::make_unique<RepeatFiles>(streams, CatalogSettings(), ReportOptions());
    files->write_heads();
    files->begin_record(seq, 1);
    for (const Csat* sat : sats) files->add(*sat, seq);
    files->end_record();
    files->write_ends("dir/input.fa.gz");
  });
}

// The BED score is clamped to what BED allows, the repeat's own follows in
// full; the unit shows in normal form and as read where the repeat starts.
TEST_F(Report, BedLinePerReportedRepeat) {
  use_sequence("chr7 some description", "GGCACACACACATCACACACGGATATATATATAT");
  // Grown from the AC at 4 back over the C at 3.
  Csat& imperfect = repeat(3, 20, 2, "5M9I", 4);
  imperfect.score = 1500;
  imperfect.Ns = 2;
  repeat(23, 34, 2).score = -3;
  repeat(23, 34, 4).score = 8;
  const std::string bed = files_of(seq, owned.sats, &RepeatFileStreams::bed);
  EXPECT_EQ(bed.substr(bed.find('\n') + 1),
            "chr7\t2\t20\tAC\t1000\t.\t2\t20\t0\t2\t1500\t17\t76.471\t1\t1\t0\t2\t8.50\tCA\n"
            "chr7\t22\t34\tAT\t0\t.\t22\t34\t0\t2\t-3\t12\t100.000\t0\t0\t0\t0\t6.00\tAT\n");
}

// The run's rows are named after the input without its directory and .gz
// (whole runs all read their input from the working directory).
TEST_F(Report, SummaryRunNamedAfterTheInputFile) {
  use_sequence("s1 record", "ACACACACACACACACACACACACACACACGG");
  repeat(1, 20, 2);
  const std::string summary = files_of(seq, owned.sats, &RepeatFileStreams::summary);
  EXPECT_NE(summary.find("\nrun\tinput.fa\t32\tall\t.\t.\t.\t1\t20\t"), std::string::npos) << summary;
}

// A catalogue of the records that add() makes, one begin_record to
// end_record each, with every locus the settings let in.
std::string catalog_of(FILE* RepeatFileStreams::*slot, const std::function<void(RepeatFiles&)>& add,
                       CatalogSettings settings = CatalogSettings{0, 0.0f}) {
  return captured([&](FILE* out) {
    RepeatFileStreams streams;
    streams.*slot = out;
    RepeatFiles files(streams, settings, ReportOptions());
    files.write_heads();
    add(files);
    files.write_ends("input.fa");
  });
}

// Every character that separates fields in one of the formats is encoded,
// and so is '%' itself, so that two record names never give one name.
TEST(LocusId, SafeInEveryFormatAndOnePerLocus) {
  CDnaString motif;
  motif.assign("CAG", 3);
  std::string id;
  make_locus_id(id, "chr1:100-200", 5, 20, motif);
  EXPECT_EQ(id, "chr1:100-200_5_20_CAG");
  make_locus_id(id, "a;b=c,d\"e%f\\g\x01\xe9", 0, 3, motif);
  EXPECT_EQ(id, "a%3Bb%3Dc%2Cd%22e%25f%5Cg%01%E9_0_3_CAG");
  std::string other;
  make_locus_id(other, "a%25", 0, 3, motif);
  make_locus_id(id, "a%", 0, 3, motif);
  EXPECT_NE(id.substr(0, id.find('_')), other.substr(0, other.find('_')));
  EXPECT_TRUE(expansionhunter_reads_name("chr1_random.2|x"));
  EXPECT_FALSE(expansionhunter_reads_name("Hsap.22:17443629"));
  EXPECT_FALSE(expansionhunter_reads_name("HLA-A"));
}

// HipSTR takes periods up to 9; the one line on standard error counts the rest.
TEST_F(Report, HipstrLeavesOutPeriodsAboveNine) {
  std::string residues;
  for (unsigned period : {8u, 9u, 10u, 11u}) residues += repeated(std::string(period - 1, 'A') + "C", 3);
  const std::string hipstr = catalog_of(&RepeatFileStreams::hipstr, [&](RepeatFiles& files) {
    use_sequence("chr2", residues);
    files.begin_record(seq, 1);
    unsigned start = 1;
    for (unsigned period : {8u, 9u, 10u, 11u}) {
      files.add(repeat(start, start + 3 * period - 1, period), seq);
      start += 3 * period;
    }
    files.end_record();
    testing::internal::CaptureStderr();
    files.catalog(CatalogFormat::HIPSTR)->report_left_out("h.txt");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Left out of the hipstr catalogue \"h.txt\": 2 loci with a period above 9.\n");
  });
  EXPECT_EQ(hipstr,
            "chr2\t1\t24\t8\t3.00\tchr2_0_24_AAAAAAAC\n"
            "chr2\t25\t51\t9\t3.00\tchr2_24_51_AAAAAAAAC\n");
}

// Records whose names hold ':' or '-' are left out, and the array stays
// valid JSON whichever loci are left out: a comma before every locus but the
// first written.
TEST_F(Report, ExpansionhunterLeavesOutNamesItsRegionParserSplits) {
  const std::string json = catalog_of(&RepeatFileStreams::expansionhunter, [&](RepeatFiles& files) {
    const char* names[] = {"Hsap.22:17443629-17445000 part", "HLA-A", "chr\"3%", "chrM"};
    for (unsigned i = 0; i < 4; ++i) {
      use_sequence(names[i], "ACACACACAC");
      files.begin_record(seq, i + 1);
      files.add(repeat(1, 10, 2), seq);
      files.end_record();
    }
    testing::internal::CaptureStderr();
    files.catalog(CatalogFormat::EXPANSIONHUNTER)->report_left_out("e.json");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Left out of the expansionhunter catalogue \"e.json\": 2 loci of records whose names hold ':' or "
              "'-', the first \"Hsap.22:17443629-17445000\".\n");
  });
  EXPECT_EQ(json,
            "[\n  {\"LocusId\": \"chr%223%25_0_10_AC\", \"LocusStructure\": \"(AC)*\", \"ReferenceRegion\": "
            "\"chr\\\"3%:0-10\", \"VariantType\": \"Repeat\"},"
            "\n  {\"LocusId\": \"chrM_0_10_AC\", \"LocusStructure\": \"(AC)*\", \"ReferenceRegion\": "
            "\"chrM:0-10\", \"VariantType\": \"Repeat\"}\n]\n");
}

// Of overlapping loci the higher score stays, on a tie the longer, then the
// first; a locus dropped for a better one no longer blocks the next.
TEST_F(Report, CatalogueLociNeverOverlap) {
  const std::string trgt = catalog_of(&RepeatFileStreams::trgt, [&](RepeatFiles& files) {
    use_sequence("chr1", std::string(100, 'A'));
    files.begin_record(seq, 1);
    repeat(1, 10, 1).score = 5;
    repeat(8, 20, 1).score = 9;   // beats the first
    repeat(15, 25, 1).score = 9;  // ties with the second and is shorter
    repeat(21, 30, 1).score = 3;  // starts past the second's end
    repeat(30, 40, 1).score = 3;  // ties with the fourth and is longer
    repeat(41, 45, 1).score = 3;  // touches the last kept, without overlap
    for (const Csat* sat : owned.sats) files.add(*sat, seq);
    files.end_record();
  });
  EXPECT_EQ(trgt,
            "chr1\t7\t20\tID=chr1_7_20_A;MOTIFS=A;STRUC=(A)n\n"
            "chr1\t29\t40\tID=chr1_29_40_A;MOTIFS=A;STRUC=(A)n\n"
            "chr1\t40\t45\tID=chr1_40_45_A;MOTIFS=A;STRUC=(A)n\n");
}

// A reference indexed by name knows only the first record of a name: the
// loci of the next would be placed on it.
TEST_F(Report, SecondRecordOfANameGivesNoLoci) {
  const std::string trgt = catalog_of(&RepeatFileStreams::trgt, [&](RepeatFiles& files) {
    for (unsigned i = 0; i < 3; ++i) {
      use_sequence(i == 1 ? "chrB" : "chrA copy", "TTTTTTTTTTTTTT");
      files.begin_record(seq, i + 1);
      files.add(repeat(1, 14, 1), seq);
      files.end_record();
    }
    testing::internal::CaptureStderr();
    files.catalog(CatalogFormat::TRGT)->report_left_out("t.bed");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Left out of the trgt catalogue \"t.bed\": 1 locus of records named like an earlier record, the "
              "first \"chrA\".\n");
  });
  EXPECT_EQ(trgt,
            "chrA\t0\t14\tID=chrA_0_14_T;MOTIFS=T;STRUC=(T)n\n"
            "chrB\t0\t14\tID=chrB_0_14_T;MOTIFS=T;STRUC=(T)n\n");
}

// Both limits are inclusive; the copies count the normalised length.
TEST_F(Report, CatalogueKeepsLociOfTheLeastLengthAndCopies) {
  auto kept = [&](unsigned length, unsigned unit_length, const char* errors, CatalogSettings settings) {
    return !catalog_of(
                &RepeatFileStreams::trgt,
                [&](RepeatFiles& files) {
                  use_sequence("c", repeated(std::string(unit_length - 1, 'A') + "C", 20));
                  files.begin_record(seq, 1);
                  files.add(repeat(1, length, unit_length, errors), seq);
                  files.end_record();
                },
                settings)
                .empty();
  };
  const CatalogSettings defaults;
  EXPECT_TRUE(kept(12, 2, "", defaults));
  EXPECT_FALSE(kept(11, 1, "", defaults));
  EXPECT_TRUE(kept(12, 4, "", defaults));
  EXPECT_FALSE(kept(12, 6, "", defaults));  // two copies
  EXPECT_TRUE(kept(18, 6, "", defaults));
  // 13 residues, one of them inserted: three copies of four, not more.
  EXPECT_TRUE(kept(13, 4, "5I", defaults));
  EXPECT_FALSE(kept(13, 4, "5I", CatalogSettings{0, 3.1f}));
  EXPECT_TRUE(kept(3, 1, "", CatalogSettings{3, 3.0f}));
}

// The alignment walked one column at a time, straight from its rules, to
// hold the run-by-run construction of the report against.
std::string alignment_by_columns(const Csat& sat, const CSequence_Mol& seq, long flanking) {
  std::string residues, marks, units;
  auto add = [&](char residue, char mark, char unit) {
    residues += residue;
    marks += mark;
    units += unit;
  };
  const char* end = seq.residues + seq.length;
  if (flanking > 0) {
    const char* left = flanking > sat.sat_begin - seq.residues ? seq.residues : sat.sat_begin - flanking;
    for (const char* p = left; p != sat.sat_begin; ++p) add(*p, ' ', ' ');
    add(':', ' ', ' ');
  }
  const char* u = sat.unit_pos_backward + 1 == sat.unit_end ? sat.unit_begin : sat.unit_pos_backward + 1;
  auto next_unit = [&] {
    const char c = *u;
    if (++u == sat.unit_end) u = sat.unit_begin;
    return c;
  };
  // An entry the walk does not meet at its position holds back every later one.
  const missense_entry* next = sat.missense.begin();
  for (const char* q = sat.sat_begin; q != sat.sat_end;) {
    const char kind = next != sat.missense.end() && next->position == q ? (next++)->kind : ' ';
    if (kind == 'D') {
      add('-', ' ', next_unit());
    } else if (kind == 'I') {
      add(*q++, ' ', '-');
    } else {
      add(*q, kind == 'M' ? ' ' : *q == 'N' ? '*' : '|', next_unit());
      ++q;
    }
  }
  if (flanking > 0) {
    add(':', ' ', ' ');
    const char* right = flanking > end - sat.sat_end ? end : sat.sat_end + flanking;
    for (const char* p = sat.sat_end; p != right; ++p) add(*p, ' ', ' ');
  }
  return residues + "\n" + marks + "\n" + units + "\n";
}

}  // namespace

// N's, errors of every kind in and out of order, entries outside the repeat,
// and flanks cut short by the sequence ends.
Csat& Report::random_repeat(std::mt19937& random, unsigned spread, unsigned most_entries) {
  const char letters[] = "ACGTN";
  std::string residues(20 + random() % spread, 'A');
  for (char& c : residues) c = letters[random() % (random() % 8 == 0 ? 5 : 4)];
  const unsigned length = static_cast<unsigned>(residues.size());
  const unsigned start = 1 + random() % (length / 2);
  const unsigned end = start + random() % (length - start + 1);
  const unsigned unit_length = 1 + random() % std::min(12u, end - start + 1);
  const unsigned unit_start = start + random() % (end - start + 2 - unit_length);
  residues.replace(unit_start - 1, unit_length, std::string(unit_length - 1, 'A') + "C");  // never periodic
  use_sequence("s", residues);
  Csat& sat = repeat(start, end, unit_length, "", unit_start);

  std::vector<missense_entry> entries;
  const unsigned count = random() % most_entries;
  for (unsigned i = 0; i < count; ++i) {
    // Mostly inside the repeat, now and then just outside it.
    const long offset = static_cast<long>(random() % (end - start + 3)) - 1;
    entries.push_back({sat.sat_begin + offset, "MIDD"[random() % 4]});
  }
  if (random() % 4 == 0) entries.push_back({sat.sat_begin, "MID"[random() % 3]});  // the very first column
  if (random() % 4 != 0) std::sort(entries.begin(), entries.end(), Csat::lessThan_missense());
  for (const missense_entry& entry : entries) {
    if (entry.position >= seq.residues && entry.position <= seq.residues + length) sat.missense.push_back(entry);
  }
  options.flanking = random() % 3 == 0 ? 0 : random() % (spread / 10 + 30);
  return sat;
}

// Alignments far longer than the window are passed on piece by piece, down
// to one character: the same text, never more than about a window held.
TEST_F(Report, AlignmentAgreesWithColumnByColumnWalk) {
  options.format = 0;
  std::mt19937 random(3);
  for (int trial = 0; trial < 3400; ++trial) {
    const bool long_one = trial % 8 == 0;
    Csat& sat = long_one ? random_repeat(random, 3000, 200) : random_repeat(random, 400, 12);
    options.alignment_window = !long_one ? DEFAULT_WINDOW : random() % 4 == 0 ? random() % 3 : 1 + random() % 100;
    const std::string alignment = alignment_by_columns(sat, seq, static_cast<long>(options.flanking));
    ASSERT_EQ(lines_below(sat), alignment) << "trial " << trial;
    if (!long_one) continue;

    const std::string before = "gathered before\n";
    TextBuffer held;
    held.append(before.data(), before.size());
    const std::string passed_on = captured([&](FILE* out) { append_alignment_lines(held, out, sat, seq, options); });
    ASSERT_LE(held.size(), before.size() + options.alignment_window) << "trial " << trial;
    ASSERT_EQ(passed_on + std::string(held.data(), held.size()), before + alignment) << "trial " << trial;

    // The residue line alone shows no error.
    Csat without_errors;
    without_errors.copy_from(sat);
    without_errors.missense.clear();
    const std::string clean = alignment_by_columns(without_errors, seq, static_cast<long>(options.flanking));
    options.sequence_lines = 1;
    ASSERT_EQ(lines_below(sat), clean.substr(0, clean.find('\n') + 1)) << "trial " << trial;
    options.sequence_lines = 2;
  }
}

// Numbers of every width, up to and beyond their columns.
TEST_F(Report, ColumnsLaidOutInAdvanceEqualColumnsWrittenFieldByField) {
  std::mt19937 random(11);
  use_sequence("s", std::string(1200000, 'A'));
  // Mostly narrow values, now and then a wide one; only the score may take
  // any value, for the lengths are worked out from the error counts.
  auto count = [&random]() -> int {
    constexpr int ranges[3][2] = {{0, 10}, {-10, 1000}, {-1000, 2000000}};  // least value, number of values
    const int* range = ranges[random() % 3];
    return range[0] + static_cast<int>(random() % range[1]);
  };
  for (int trial = 0; trial < 20000; ++trial) {
    const unsigned length = 1 + (random() % 3 == 0 ? random() % 1100000 : random() % 100);
    const unsigned start = 1 + random() % (seq.length - length + 1);
    const unsigned unit_length = random() % 4 == 0 ? 1 + random() % length : 1 + random() % std::min(6u, length);
    Csat& sat = repeat(start, start + length - 1, unit_length);
    sat.score = random() % 4 == 0 ? static_cast<int>(random()) : count();
    if (random() % 2) {
      sat.mismatches = count();
      sat.insertions = count();
      sat.deletions = count();
      sat.Ns = count();
    }
    options.N_column = random() % 2 != 0;
    options.N_perfection_mode = static_cast<int>(random() % 3);

    TextBuffer fast, plain;
    append_common_columns(fast, sat, seq, options.N_perfection_mode);
    append_common_columns_plainly(plain, sat, seq, options.N_perfection_mode);
    append_error_counts(fast, sat, options.N_column);
    append_error_counts_plainly(plain, sat, options.N_column);
    ASSERT_EQ(std::string(fast.data(), fast.size()), std::string(plain.data(), plain.size())) << "trial " << trial;
  }
}
