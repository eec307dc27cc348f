#pragma once

#include "platform/AfxExport.h"

// The hand-written baseline of the packet benchmarks: what a decoder and an encoder written
// directly on a plain byte array do, with no packet object around the bytes. Every function is
// one exported call, as every accessor of a packet class is, so that both sides of a benchmark
// pair make the same number of calls across a shared-library boundary and differ only in what
// the class itself adds. Encodings as on the monitor link: 2- and 4-byte values least
// significant byte first; an array entry outside 0 … count-1 reads as 0 (a signed entry as
// -32768) and is not written.
namespace RawPacket {

// The numerics packet as a hand-written decoder knows it (108 bytes, type header 0xC1).
namespace Numerics {
constexpr int kSize = 108;
constexpr int kSamples = 5;
constexpr int kTimeStamp = 1, kFHR1Alarm = 5, kFHR1 = 6, kFM1 = 11, kFHR2Alarm = 16, kFHR2 = 17,
              kFM2 = 22, kUCAlarm = 27, kUCZeroing = 28, kUC = 29, kECGAlarm = 34, kECG = 35,
              kSpO2Alarm = 45, kSpO2 = 46, kSpO2R = 51, kNIBPAlarm = 61, kNIBPSys = 62,
              kNIBPMean = 64, kNIBPDia = 66, kNIBPStatus = 68, kTempAlarm = 69, kTemp = 70,
              kFECGAlarm = 72, kFECG = 73, kFSpO2Alarm = 78, kFSpO2 = 79, kFSpO2R = 84,
              kIUPAlarm = 94, kIUPZeroing = 95, kIUP = 96, kFlags = 101;
constexpr int kFMCountBits = 0x7F, kFMDMarkBit = 0x80, kMarkerBit = 0x01, kStimulatorBit = 0x02;
}  // namespace Numerics

// The waveform packet (56 bytes, type header 0xC0).
namespace Wave {
constexpr int kSize = 56;
constexpr int kECGSamples = 12, kSpO2Samples = 3;
constexpr int kECG = 1, kSpO2 = 25, kFECG = 28, kFSpO2 = 52;
}  // namespace Wave

// Copies a received block of `dataSize` bytes into the `size`-byte packet when the sizes agree
// and its last byte is `key`; returns 1, else 0 with the packet unchanged.
AFX_EXT_API int LoadBlock(unsigned char* packet, int size, const unsigned char* data, int dataSize,
                          unsigned char key);
// 1 when the packet's last byte is `key`.
AFX_EXT_API int IsStamped(const unsigned char* packet, int size, unsigned char key);
// Writes `key` into the packet's last byte.
AFX_EXT_API void Stamp(unsigned char* packet, int size, unsigned char key);

AFX_EXT_API int ReadByte(const unsigned char* packet, int offset);
AFX_EXT_API int ReadByteEntry(const unsigned char* packet, int offset, int count, int index);
// The entry's bits under `mask`, in place.
AFX_EXT_API int ReadBitsEntry(const unsigned char* packet, int offset, int count, int index, int mask);
// 1 when any bit of `mask` is set in the byte.
AFX_EXT_API int ReadFlag(const unsigned char* packet, int offset, int mask);
AFX_EXT_API int Read2Byte(const unsigned char* packet, int offset);
AFX_EXT_API int Read2ByteEntry(const unsigned char* packet, int offset, int count, int index);
// A signed 16-bit entry; -32768 outside the array.
AFX_EXT_API short ReadSigned2ByteEntry(const unsigned char* packet, int offset, int count, int index);
AFX_EXT_API unsigned int Read4Byte(const unsigned char* packet, int offset);
// A 2-byte value holding tenths, as a decimal number.
AFX_EXT_API float ReadTenths(const unsigned char* packet, int offset);

AFX_EXT_API void WriteByte(unsigned char* packet, int offset, int value);
AFX_EXT_API void WriteByteEntry(unsigned char* packet, int offset, int count, int index, int value);
// Replaces the entry's bits under `mask` by those of `value`; the other bits stay.
AFX_EXT_API void WriteBitsEntry(unsigned char* packet, int offset, int count, int index, int mask,
                                int value);
// Sets the bits of `mask` for a nonzero `on`, clears them for zero.
AFX_EXT_API void WriteFlag(unsigned char* packet, int offset, int mask, int on);
AFX_EXT_API void Write2Byte(unsigned char* packet, int offset, int value);
AFX_EXT_API void Write2ByteEntry(unsigned char* packet, int offset, int count, int index, int value);
AFX_EXT_API void Write4Byte(unsigned char* packet, int offset, unsigned int value);
// Stores a decimal number as tenths, truncated toward zero; the number must fit the field.
AFX_EXT_API void WriteTenths(unsigned char* packet, int offset, float value);

// 1 when numerics parameter `kind` (1-19) holds a value at `index`, by the numerics packet's
// no-value patterns.
AFX_EXT_API int NumericsHasValue(const unsigned char* packet, int kind, int index);
// 1 when wave channel `channel` (1 ECG, 2 SpO2, 3 FECG, 4 FSpO2) holds a sample at `index`.
AFX_EXT_API int WaveHasValue(const unsigned char* packet, int channel, int index);

}  // namespace RawPacket
