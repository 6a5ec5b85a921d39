// A graph engine stand-in for tests: nine selectors and a log of the calls
// the DataSheet makes.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "sheet/links.h"

namespace varnel::test {

struct RecordingGraph : GraphLink {
  std::array<int, GraphSelectorCount> chosen{};
  std::vector<std::string> items{"(None)"};
  std::vector<std::string> log;
  bool updating = false;
  bool sawSelectorRefresh = false;
  const bool* selectorRefresh = nullptr;  // the sheet's flag, when watched

  int& Chosen(GraphSelector s) { return chosen[static_cast<int>(s)]; }
  static const char* Name(GraphSelector s) {
    static const char* names[] = {"A", "B", "C", "D", "Label", "Shape", "Size", "Color", "Tie"};
    return names[static_cast<int>(s)];
  }
  void GetWSheetData(bool includeAll) override { log.push_back(includeAll ? "connect all" : "connect"); }
  void DisconnectGraphs() override { log.push_back("disconnect"); }
  void RepaintGraph() override { log.push_back("repaint"); }
  void Recompute() override { log.push_back("recompute"); }
  bool Updating() const override { return updating; }
  void SetUpdating(bool on) override {
    updating = on;
    log.push_back(on ? "updating on" : "updating off");
  }
  int SelectorItem(GraphSelector s) const override { return chosen[static_cast<int>(s)]; }
  void SetSelectorItem(GraphSelector s, int item) override { chosen[static_cast<int>(s)] = item; }
  void ApexChanged(GraphSelector s) override {
    if (selectorRefresh && *selectorRefresh) sawSelectorRefresh = true;
    log.push_back(std::string("apex ") + Name(s));
  }
  void SpecialColumnChanged(GraphSelector s) override {
    if (selectorRefresh && *selectorRefresh) sawSelectorRefresh = true;
    log.push_back(std::string("special ") + Name(s));
  }
  void SetSelectorItemText(int column, const std::string& name) override {
    log.push_back("rename " + std::to_string(column) + " " + name);
  }
  void AppendSelectorItem(const std::string& name) override { log.push_back("append " + name); }
  void InsertSelectorItem(int column, const std::string& name) override {
    log.push_back("insert " + std::to_string(column) + " " + name);
  }
  void RemoveSelectorItem(int column) override { log.push_back("remove " + std::to_string(column)); }
  void SetPlotCaseCount(int) override {}
  bool ViewPoints() const override { return false; }
  int PointsDrawn() const override { return 0; }
  void SetGraphsCaptionFile(const std::string&) override {}
};

}  // namespace varnel::test
