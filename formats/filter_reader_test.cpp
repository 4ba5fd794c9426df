// The document's reader over fake filters: an import waits for the cache before every chunk unless
// [Settings] UseASync is on.
#include "formats/filter_reader.h"

#include <gtest/gtest.h>

#include "formats/fake_filter_test_util.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"
#include "storage/store_test_util.h"
#include "storage/vfile.h"
#include "ui/settings_source.h"

namespace formats {
namespace {

using formats::testing_util::FakeFilters;
using formats::testing_util::makeInfo;

class FilterReaderTest : public storage::testing_util::StoreFixture {
 protected:
  void SetUp() override { ASSERT_EQ(init(), 0); }
  FakeFilters fakes;
  ui::MemorySettingsSource settings;
};

TEST_F(FilterReaderTest, AnImportWaitsForTheCacheBeforeEachChunkUnlessAsynchronous) {
  auto s = fakes.add("w.flt", makeInfo("W", "WAV", FLT_READ | FLT_WRITE));
  s->data.assign(4000, 7);
  s->chunk = 1000;  // four chunks
  formats::FilterTable table = fakes.table();
  struct Row {
    bool async;
    int waits;
  };
  for (Row row : {Row{false, 4}, Row{true, 0}}) {
    FilterReader reader(&table, fakes.loader());
    reader.setSettings(&settings);
    reader.setUseAsync(row.async);
    int waits = 0;
    int readsBeforeWait = -1;
    reader.setCacheWait([&] {
      if (waits++ == 0) readsBeforeWait = int(s->reads);
    });
    s->reads = 0;
    document::FileIdentity id;
    id.filterIndex = 0;
    id.rate = 44100;
    id.channels = 2;
    id.bits = 16;
    int status = 0;
    storage::HfHandle* file = storage::HfCreate(1, 0, nullptr, false, &status);
    ASSERT_NE(file, nullptr);
    markers::MarkerSet cues;
    markers::ChunkStore chunks;
    EXPECT_EQ(reader.readSamples("x.wav", id, file, &cues, &chunks, nullptr), 0) << row.async;
    EXPECT_EQ(storage::HfGetLength(file), 4000u) << row.async;
    EXPECT_EQ(waits, row.waits) << row.async;
    if (row.waits) {
      EXPECT_EQ(readsBeforeWait, 0);  // the wait comes before the chunk is read
    }
    storage::HfClose(file);
  }
}

}  // namespace
}  // namespace formats
