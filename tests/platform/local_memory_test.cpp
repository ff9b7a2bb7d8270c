// The local-memory work-alike must behave like LocalAlloc(LHND) and friends: hosts
// written for Windows lock, unlock and free what they receive the same way.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/local_memory.h"

namespace kestril {
namespace {

TEST(LocalMemory, MoveableBlockIsZeroFilledAndLockCounted) {
  LocalHandle h = LocalAllocate(kLhnd, 100);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(LocalBlockSize(h), 100u);
  EXPECT_EQ(LocalBlockFlags(h), 0u);

  auto* p = static_cast<uint8_t*>(LocalLockBlock(h));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], 0) << i;
  std::memset(p, 0x5A, 100);
  EXPECT_EQ(LocalLockBlock(h), p);  // the block does not move while locked
  EXPECT_EQ(LocalBlockFlags(h), 2u);
  EXPECT_TRUE(LocalUnlockBlock(h));   // still locked once
  EXPECT_FALSE(LocalUnlockBlock(h));  // now unlocked
  EXPECT_FALSE(LocalUnlockBlock(h));  // was not locked
  EXPECT_EQ(LocalBlockFlags(h), 0u);

  auto* again = static_cast<uint8_t*>(LocalLockBlock(h));
  EXPECT_EQ(again[99], 0x5A);
  LocalUnlockBlock(h);
  EXPECT_EQ(LocalFreeBlock(h), nullptr);
}

TEST(LocalMemory, HandleIsNotTheAddress) {
  LocalHandle h = LocalAllocate(kLhnd, 16);
  void* p = LocalLockBlock(h);
  EXPECT_NE(p, h);
  // Above the first 64 KiB, where the interface's rules expect handles and pointers.
  EXPECT_GE(reinterpret_cast<uintptr_t>(h), 0x10000u);
  LocalUnlockBlock(h);
  LocalFreeBlock(h);
}

TEST(LocalMemory, ZeroLengthMoveableBlockIsDiscarded) {
  LocalHandle h = LocalAllocate(kLhnd, 0);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(LocalBlockSize(h), 0u);
  EXPECT_EQ(LocalBlockFlags(h), kLmemDiscarded);
  EXPECT_EQ(LocalLockBlock(h), nullptr);
  EXPECT_EQ(LocalFreeBlock(h), nullptr);
}

TEST(LocalMemory, FixedBlockIsItsOwnAddress) {
  LocalHandle h = LocalAllocate(kLmemFixed | kLmemZeroInit, 8);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(LocalLockBlock(h), h);
  EXPECT_EQ(static_cast<uint8_t*>(h)[7], 0);
  EXPECT_EQ(LocalFreeBlock(h), nullptr);
}

TEST(LocalMemory, UnknownAndFreedHandlesAreRefused) {
  LocalHandle h = LocalAllocate(kLhnd, 8);
  ASSERT_EQ(LocalFreeBlock(h), nullptr);
  EXPECT_EQ(LocalFreeBlock(h), h);  // freeing twice fails instead of corrupting
  EXPECT_EQ(LocalLockBlock(h), nullptr);
  EXPECT_FALSE(LocalUnlockBlock(h));
  EXPECT_EQ(LocalBlockSize(h), 0u);
  EXPECT_EQ(LocalBlockFlags(h), kLmemInvalidHandle);
  int local = 0;
  EXPECT_EQ(LocalBlockFlags(&local), kLmemInvalidHandle);
  EXPECT_EQ(LocalFreeBlock(nullptr), nullptr);
}

TEST(LocalMemory, LockedBlockCanBeFreed) {
  LocalHandle h = LocalAllocate(kLhnd, 8);
  ASSERT_NE(LocalLockBlock(h), nullptr);
  EXPECT_EQ(LocalFreeBlock(h), nullptr);
  EXPECT_EQ(LocalBlockFlags(h), kLmemInvalidHandle);
}

TEST(LocalMemory, ImpossibleBlockIsRefused) {
  EXPECT_EQ(LocalAllocate(kLhnd, SIZE_MAX / 2), nullptr);
  EXPECT_THROW(LocalBlock::Allocate(SIZE_MAX / 2), std::exception);
}

TEST(LocalMemory, BlockOwnerFreesUnlessReleased) {
  LocalHandle kept;
  LocalHandle freed;
  {
    LocalBlock a = LocalBlock::Allocate(4);
    LocalBlock b = LocalBlock::Allocate(4);
    kept = a.Release();
    freed = b.get();
    LocalBlock moved = std::move(b);
    EXPECT_EQ(b.get(), nullptr);
  }
  EXPECT_EQ(LocalBlockSize(kept), 4u);
  EXPECT_EQ(LocalBlockFlags(freed), kLmemInvalidHandle);
  LocalFreeBlock(kept);
}

}  // namespace
}  // namespace kestril
