#pragma once
// The store of search results: a proposal list (the projects produced by one search, ranked by
// their overall channel count) and the collection of all proposal lists of the running program.
// Both hold references to the projects handed to them. Positions are 1-based.

#include <cstdint>
#include <memory>
#include <vector>

#include "model/CProject.h"
#include "search/Shortfall.h"

namespace kova {

class CReportInstance {
 public:
  void GDefine();
  // Appends the project itself; returns 0.
  int32_t GxAddItem(ProjectRef XNewProject);
  int32_t GxSetItem(int32_t iProject, ProjectRef XNewProject);
  // Throws std::out_of_range outside 1..count.
  ProjectRef GxGetProject(int32_t iProject) const;
  // Exchange sort by overall channel count; most channels first with bStartWithHighest.
  void GSortItems(bool bStartWithHighest);
  int32_t GlCount() const { return static_cast<int32_t>(items_.size()) - 1; }
  bool GbDefined() const { return bDefined_; }
  // What the search asked of each system (empty when nobody said): tells short proposals.
  const std::vector<SystemRequest>& GRequests() const { return requests_; }
  void GRequests(std::vector<SystemRequest> requests) { requests_ = std::move(requests); }

 private:
  bool bDefined_ = false;
  std::vector<ProjectRef> items_{nullptr};  // slot 0 unused
  std::vector<SystemRequest> requests_;
};

using ReportRef = std::shared_ptr<CReportInstance>;

class CReportCollection {
 public:
  // Removes list iReport; returns the new count.
  int32_t GDelItem(int32_t iReport);
  // Appends; returns the new count, which is the number of the new list.
  int32_t GxAddItem(ReportRef XNewReport);
  ReportRef GxGetItem(int32_t iReport);
  void GDefine();
  int32_t GlCount();

 private:
  bool bDefined_ = false;
  std::vector<ReportRef> items_{nullptr};  // slot 0 unused
};

using ReportCollectionRef = std::shared_ptr<CReportCollection>;

}  // namespace kova
