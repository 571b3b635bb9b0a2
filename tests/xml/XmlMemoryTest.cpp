#include "xml/unXmlMemory.h"

#include "xml/unXml.h"

#include <gtest/gtest.h>
#include <string>

TEST(XmlMemory, GivesAKeptChunkToTheNextRequestOfItsSizeAndAlignment) {
  TXmlMemory memory;
  const std::size_t size = TXmlMemory::SmallestKept * 2;
  void* first = memory.allocate(size, 64);
  memory.deallocate(first, size, 64);
  EXPECT_EQ(memory.Kept(), size);
  // Another alignment or size is not served from it.
  void* other = memory.allocate(size, 16);
  void* bigger = memory.allocate(size + 8, 64);
  EXPECT_NE(other, first);
  EXPECT_NE(bigger, first);
  EXPECT_EQ(memory.Kept(), size);
  EXPECT_EQ(memory.allocate(size, 64), first);
  EXPECT_EQ(memory.Kept(), 0u);
  memory.deallocate(first, size, 64);
  memory.deallocate(other, size, 16);
  memory.deallocate(bigger, size + 8, 64);
  EXPECT_EQ(memory.Kept(), 3 * size + 8);
  memory.Release();
  EXPECT_EQ(memory.Kept(), 0u);
}

TEST(XmlMemory, KeepsNeitherSmallChunksNorMoreThanItsLimit) {
  TXmlMemory memory;
  void* small = memory.allocate(TXmlMemory::SmallestKept - 1, 8);
  memory.deallocate(small, TXmlMemory::SmallestKept - 1, 8);
  EXPECT_EQ(memory.Kept(), 0u);
  const std::size_t half = TXmlMemory::KeptBytes / 2;
  void* a = memory.allocate(half, 8);
  void* b = memory.allocate(half, 8);
  void* c = memory.allocate(TXmlMemory::SmallestKept, 8);
  memory.deallocate(a, half, 8);
  memory.deallocate(b, half, 8);
  EXPECT_EQ(memory.Kept(), TXmlMemory::KeptBytes);
  memory.deallocate(c, TXmlMemory::SmallestKept, 8);
  EXPECT_EQ(memory.Kept(), TXmlMemory::KeptBytes);
}

TEST(XmlMemory, DocumentsGiveTheirChunksBackForTheNextDocument) {
  std::string text = "<r>";
  for (int i = 0; i < 20000; ++i)
    text += "<Module" + std::to_string(i) + "><Name>m</Name></Module" + std::to_string(i) + ">";
  text += "</r>";
  TXmlMemory::Shared()->Release();
  {
    TKvenXmlDocument1 doc;
    ASSERT_TRUE(doc.LoadXmlBytes(text));
    EXPECT_EQ(doc.GetRoot()->ChildCount(), 20000);
  }
  const std::size_t kept = TXmlMemory::Shared()->Kept();
  EXPECT_GT(kept, 0u);
  {
    TKvenXmlDocument1 doc;
    ASSERT_TRUE(doc.LoadXmlBytes(text));
    // The second document takes what the first gave back instead of new memory.
    EXPECT_LT(TXmlMemory::Shared()->Kept(), kept);
  }
}
