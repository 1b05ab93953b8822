// A pfFilter with the effect's identity but a scripted render, a recording dialog object and
// an injectable processor count, for driving the framework without an effect.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "effect/pfFilterQuenara.h"
#include "host/pfFilter.h"

class RecordingPreview : public pfPreviewNone {
 public:
  bool Show(pfFilter*, FilterRecord*, std::list<pfParameterUI*>&) override {
    ++showCalls;
    return showResult;
  }

  bool showResult = true;
  int showCalls = 0;
};

class TestFilter : public pfFilter {
 public:
  TestFilter()
      : pfFilter(pfFilterQuenara::kDisplayName, pfFilterQuenara::kVersionMajor,
                 pfFilterQuenara::kVersionMinor, pfFilterQuenara::kVersionPatch,
                 pfFilterQuenara::kDescription) {
    auto owned = std::make_unique<RecordingPreview>();
    recording = owned.get();
    preview = std::move(owned);
  }

  int16_t Render(FilterRecord*) override {
    ++renderCalls;
    return renderResult;
  }
  void ResetParameters(bool) override {}
  const char* GetName() override { return "Quenara"; }

  // processors < 0: what the machine reports.
  int32_t GetProcessorCount(int32_t* count) override {
    if (processors < 0) return pfFilter::GetProcessorCount(count);
    *count = processors;
    return NoError();
  }

  int16_t Dispatch(int16_t selector, FilterRecord* record) {
    int16_t result = 12345;
    intptr_t data = 0;
    HandleSelector(selector, record, &data, &result);
    return result;
  }

  RecordingPreview* recording;
  int16_t renderResult = noErr;
  int renderCalls = 0;
  int32_t processors = -1;
};
