#pragma once

class PKParam_v110;
struct BedRow;

// Turns a bed's numerics packet into what the station shows: the latest value of each channel
// (the last of the packet's five samples that holds one) and the texts of the alarms that are
// on, in the language the module's texts come in.
class BedNumerics {
 public:
  static constexpr int kSamples = 5;

  // Updates the numerics and alarms of `row` from `packet`: a channel with no sample in the
  // packet shows no value; NIBP keeps its last measured reading while the cuff measures.
  static void Show(PKParam_v110& packet, BedRow& row);
  // The packet's samples with neither FHR1 nor FHR2 (0 … 5).
  static int LostSamples(PKParam_v110& packet);
};
