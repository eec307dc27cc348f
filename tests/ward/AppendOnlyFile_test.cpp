// A file appended to in pieces, buffered or not, through a real write fault (a file-size limit):
// nothing torn, what waits written together, what could not be written kept in order up to its
// limit and written when the disk takes it.
#include "ward/AppendOnlyFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include "link/RecordingScratch.h"
#include "ward/FileSizeLimit.h"

namespace {

using Outcome = AppendOnlyFile::Outcome;

class AppendOnlyFileTest : public RecordingScratch {
 protected:
  AppendOnlyFile& Open(std::size_t keepLimit, std::size_t bufferLimit = 0) {
    m_file = std::make_unique<AppendOnlyFile>(keepLimit, bufferLimit);
    m_path = File("piece.bin");
    m_file->Adopt(::open(m_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600), m_path);
    return *m_file;
  }
  static Bytes Piece(char ch, std::size_t size) { return Bytes(size, static_cast<unsigned char>(ch)); }

  std::unique_ptr<AppendOnlyFile> m_file;
  std::string m_path;
};

TEST_F(AppendOnlyFileTest, APieceThatDoesNotFitIsCutOffAndKeptWithThoseAfterItUntilTheDiskTakesThem) {
  AppendOnlyFile& file = Open(1000);
  FileSizeLimit full(250);
  EXPECT_EQ(file.Append(Piece('a', 100)), Outcome::Written);
  EXPECT_EQ(file.Append(Piece('b', 100)), Outcome::Written);
  EXPECT_EQ(file.Append(Piece('c', 100)), Outcome::Waiting);  // 50 bytes of it fitted, and are cut off
  EXPECT_EQ(ReadFile(m_path), std::string(100, 'a') + std::string(100, 'b'));
  EXPECT_TRUE(file.Failing());
  EXPECT_EQ(file.Fault(), "File too large");
  EXPECT_EQ(file.Append(Piece('d', 10)), Outcome::Waiting);  // after a kept piece, never before it
  EXPECT_EQ(file.Flush(), 0u);
  EXPECT_EQ(ReadFile(m_path).size(), 200u);

  full.Lift();
  EXPECT_EQ(file.Flush(), 2u);
  EXPECT_FALSE(file.Failing());
  EXPECT_EQ(file.KeptBytes(), 110u);
  EXPECT_EQ(ReadFile(m_path), std::string(100, 'a') + std::string(100, 'b') + std::string(100, 'c') +
                                  std::string(10, 'd'));
  EXPECT_EQ(file.Append(Piece('e', 1)), Outcome::Written);
}

TEST_F(AppendOnlyFileTest, BeyondTheKeepLimitTheNewestPiecesAreDroppedWholeAndCounted) {
  AppendOnlyFile& file = Open(150);
  FileSizeLimit full(0);
  EXPECT_EQ(file.Append(Piece('a', 100)), Outcome::Waiting);
  EXPECT_EQ(file.Append(Piece('b', 60)), Outcome::Dropped);
  EXPECT_EQ(file.Append(Piece('c', 50)), Outcome::Waiting);
  EXPECT_EQ(file.Waiting(), 150u);
  EXPECT_EQ(file.DroppedBytes(), 60u);
  full.Lift();
  EXPECT_EQ(file.Flush(), 2u);
  EXPECT_EQ(ReadFile(m_path), std::string(100, 'a') + std::string(50, 'c'));
  file.ClearCounts();
  EXPECT_EQ(file.KeptBytes() + file.DroppedBytes(), 0u);
}

TEST_F(AppendOnlyFileTest, BufferedPiecesReachTheFileTogetherAtAFlushOrWhenTheBufferIsFull) {
  AppendOnlyFile& file = Open(1000, 100);
  EXPECT_EQ(file.Append(Piece('a', 40)), Outcome::Waiting);
  EXPECT_EQ(file.Append(Piece('b', 40)), Outcome::Waiting);
  EXPECT_EQ(ReadFile(m_path), "");
  EXPECT_EQ(file.TakeGrown(), nullptr);
  EXPECT_EQ(file.Waiting(), 80u);
  EXPECT_EQ(file.Flush(), 2u);
  EXPECT_EQ(ReadFile(m_path), std::string(40, 'a') + std::string(40, 'b'));
  EXPECT_EQ(file.Flush(), 0u);
  EXPECT_NE(file.TakeGrown(), nullptr);
  EXPECT_EQ(file.TakeGrown(), nullptr) << "grown once, told once";

  EXPECT_EQ(file.Append(Piece('c', 60)), Outcome::Waiting);
  EXPECT_EQ(file.Append(Piece('d', 40)), Outcome::Written);  // 100 bytes wait: the buffer is full
  EXPECT_EQ(ReadFile(m_path).size(), 180u);
  EXPECT_EQ(file.WrittenPieces(), 4u);
  EXPECT_EQ(file.Waiting(), 0u);
  EXPECT_FALSE(file.Failing());
}

TEST_F(AppendOnlyFileTest, ABufferedBatchTheDiskRefusesIsKeptWholeAndThenWrittenPieceByPiece) {
  AppendOnlyFile& file = Open(1000, 1000);
  FileSizeLimit full(150);
  file.Append(Piece('a', 100));
  file.Append(Piece('b', 100));
  EXPECT_EQ(file.Flush(), 0u);  // 150 of its 200 bytes fitted, and are cut off
  EXPECT_EQ(ReadFile(m_path), "");
  EXPECT_TRUE(file.Failing());
  EXPECT_EQ(file.KeptBytes(), 200u);
  EXPECT_EQ(file.Flush(), 1u);  // what fits now
  EXPECT_EQ(ReadFile(m_path), std::string(100, 'a'));
  EXPECT_EQ(file.Append(Piece('c', 10)), Outcome::Waiting);
  EXPECT_EQ(file.KeptBytes(), 210u);

  full.Lift();
  EXPECT_EQ(file.Flush(), 2u);
  EXPECT_FALSE(file.Failing());
  EXPECT_EQ(ReadFile(m_path), std::string(100, 'a') + std::string(100, 'b') + std::string(10, 'c'));
  EXPECT_EQ(file.WrittenPieces(), 3u);
}

}  // namespace
