#pragma once

#include "platform/AfxExport.h"
#include "platform/CString.h"

// The frame that every packet of the monitor link (protocol 1.10) shares.
//
// A packet is a fixed-size block of N bytes:
//
//   offset 0        type header, names the packet kind
//   offset 1 … N-2  body, laid out by the packet class
//   offset N-1      checksum byte; in protocol 1.10 it carries the packet's key
//
// Encodings used by every body (the one place they are written down):
//   1-byte value   unsigned 0-255
//   2-byte value   unsigned 16 bits, least significant byte first; a write keeps the low 16 bits
//   4-byte value   unsigned 32 bits, least significant byte first
//   scaled decimal 2-byte value holding value x scale (x10 temperatures, x100 height and
//                  weight): a write multiplies in double precision and truncates toward zero
//   text           fixed field of n bytes: shorter texts are padded with zero bytes, longer ones
//                  are cut to n bytes with no terminator; a read stops at the first zero byte
//   absent value   an all-ones pattern (0xFF, 0xFFFF, ...), as each packet class states
//
// A derived class owns its bytes as one array member and hands it to this frame; the frame
// never allocates or frees them. A bare PKBase over an outside buffer only refers to it.
class AFX_EXT_CLASS PKBase {
 public:
  // Takes the packet's bytes, its size N and its type header; key 0xFF; then Clear(). A frame
  // given no bytes, or fewer than two, holds none: size 0, never valid, every load refused.
  PKBase(unsigned char* packet, int size, unsigned char typeHeader);
  // Copies the frame; a bare PKBase copy refers to the same outside buffer as its source.
  PKBase(const PKBase& other) = default;
  virtual ~PKBase();

  // The type header given at construction, not byte 0 of the current bytes.
  unsigned char GetTypeHeader() { return m_TypeHeader; }
  unsigned char GetKey() { return m_Key; }
  // Stores the key and writes it into byte N-1; the valid flag is not touched.
  void SetKey(unsigned char key);
  // The checksum byte a packet must carry, which in protocol 1.10 is the key.
  unsigned char GetCheckSum() { return m_Key; }
  // Stamps byte N-1 with the checksum and marks the packet valid; call it before sending.
  void ResetCheckSum();
  // 1 when the valid flag is set and byte N-1 equals the checksum; the body is not examined.
  int IsValid();

  // All bytes 0, byte 0 the type header, byte N-1 the key; valid flag 0.
  void Clear();
  // All bytes `fill`, byte 0 the type header, byte N-1 the key; valid flag 1.
  void Clear(unsigned char fill);

  // Loads a received block. Returns 0 and changes nothing when `size` is not N. With
  // `checkKey` nonzero a block whose last byte is not the key is refused: returns 0, the bytes
  // stay, the valid flag becomes 0. Otherwise the bytes are copied in, the key becomes the
  // block's last byte when `checkKey` is zero, the valid flag becomes 1, and it returns 1.
  int SetPacket(unsigned char* data, int size, int checkKey);
  // Copies N bytes and the key from `other`, which should be of the same packet class; valid
  // flag, type header and size stay. Returns N, or 0 (nothing copied) when `other` is shorter or
  // either frame has no bytes.
  int CopyPacket(PKBase* other);

  unsigned char* GetPacket() { return m_pPacket; }
  int GetPacketSize() { return m_nPacketSize; }

 protected:
  // The copy of a packet class: frame fields from `other`, its N bytes into `ownBytes`, which
  // becomes this frame's packet.
  PKBase(const PKBase& other, unsigned char* ownBytes);

  // Copies the packet through CopyPacket; the valid flag stays.
  PKBase& operator=(PKBase& other);

  unsigned char MakeCheckSum() { return m_Key; }

  static int Get2ByteValue(const unsigned char* place) { return place[0] | (place[1] << 8); }
  static void Set2ByteValue(unsigned char* place, int value) {
    place[0] = static_cast<unsigned char>(value);
    place[1] = static_cast<unsigned char>(value >> 8);
  }
  static unsigned int Get4ByteValue(const unsigned char* place) {
    return static_cast<unsigned int>(place[0]) | (static_cast<unsigned int>(place[1]) << 8) |
           (static_cast<unsigned int>(place[2]) << 16) | (static_cast<unsigned int>(place[3]) << 24);
  }
  static void Set4ByteValue(unsigned char* place, unsigned int value) {
    place[0] = static_cast<unsigned char>(value);
    place[1] = static_cast<unsigned char>(value >> 8);
    place[2] = static_cast<unsigned char>(value >> 16);
    place[3] = static_cast<unsigned char>(value >> 24);
  }

  // A decimal quantity: the 2-byte value at `place` divided by `scale`.
  static double GetScaledValue(const unsigned char* place, double scale) { return Get2ByteValue(place) / scale; }
  // Stores `value` x `scale`, truncated toward zero, low 16 bits. A product that is NaN,
  // infinite or beyond the range of int has no such integer: it stores 0xFFFF, no value.
  static void SetScaledValue(unsigned char* place, double value, double scale);

  // The text of the n-byte field at `place`: up to the first zero byte, at most n bytes.
  static CString GetStringValue(const unsigned char* place, int length);
  static CString GetStringValue(const char* place, int length);
  // Writes the first min(text length, n) bytes of `text` into the n-byte field, zeros after.
  static void SetStringValue(unsigned char* place, const CString& text, int length);
  static void SetStringValue(char* place, const CString& text, int length);

  // The place of entry `index` of an array of `count` entries, each `width` bytes, that starts
  // at `offset`; nullptr when the index lies outside 0 … count-1. Array accessors use it so
  // that an index out of range can never reach a neighbouring field.
  unsigned char* ArrayEntry(int offset, int width, int count, int index) {
    return (index >= 0 && index < count) ? m_pPacket + offset + width * index : nullptr;
  }

  unsigned char* m_pPacket;
  unsigned char m_TypeHeader;
  int m_bValid;
  int m_nPacketSize;
  unsigned char m_Key;
};
