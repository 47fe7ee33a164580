#include <gtest/gtest.h>

#include <string>

#include "captured_output.h"
#include "driver/masking.h"

// The masked file holds each record in lines of 80 residues, whatever the
// pieces the writer gathers them into.
TEST(MaskedRecord, LinesOfEightyResiduesAtAnyLength) {
  for (unsigned length : {0u, 1u, 79u, 80u, 81u, 40959u, 40960u, 40961u, 100003u}) {
    std::string residues;
    for (unsigned i = 0; i < length; ++i) residues += "ACGTNacgtX"[i * 7 % 10];
    CSequence_Mol seq;
    seq.name = "r";
    seq.residues = residues.data();
    seq.length = length;
    std::string expected = ">r\n";
    for (unsigned done = 0; done < length; done += 80) expected += residues.substr(done, 80) + "\n";
    EXPECT_EQ(captured([&seq](FILE* out) { write_masked_record(out, seq); }), expected) << length << " residues";
  }
}
