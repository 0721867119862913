#include "search/CReportInstance.h"

#include <stdexcept>

namespace kova {

void CReportInstance::GDefine() {
  items_.assign(1, nullptr);
  bDefined_ = true;
}

int32_t CReportInstance::GxAddItem(ProjectRef XNewProject) {
  if (!bDefined_) GDefine();
  items_.push_back(std::move(XNewProject));
  return 0;
}

int32_t CReportInstance::GxSetItem(int32_t iProject, ProjectRef XNewProject) {
  if (iProject < 1 || iProject > GlCount()) throw std::out_of_range("Subscript out of range");
  items_[iProject] = std::move(XNewProject);
  return 0;
}

ProjectRef CReportInstance::GxGetProject(int32_t iProject) const {
  if (iProject < 1 || iProject > GlCount()) throw std::out_of_range("Subscript out of range");
  return items_[iProject];
}

void CReportInstance::GSortItems(bool bStartWithHighest) {
  int32_t count = GlCount();
  for (int32_t i = 1; i <= count; ++i) {
    for (int32_t j = i + 1; j <= count; ++j) {
      int32_t ci = items_[i]->GlGetOverallMics(), cj = items_[j]->GlGetOverallMics();
      if (bStartWithHighest ? ci < cj : cj < ci) {
        ProjectRef tmp = items_[i];
        GxSetItem(i, items_[j]);
        GxSetItem(j, tmp);
      }
    }
  }
}

int32_t CReportCollection::GDelItem(int32_t iReport) {
  if (!bDefined_) GDefine();
  if (iReport < 1 || iReport > GlCount()) throw std::out_of_range("Subscript out of range");
  items_.erase(items_.begin() + iReport);
  return GlCount();
}

int32_t CReportCollection::GxAddItem(ReportRef XNewReport) {
  if (!bDefined_) GDefine();
  items_.push_back(std::move(XNewReport));
  return GlCount();
}

ReportRef CReportCollection::GxGetItem(int32_t iReport) {
  if (!bDefined_) GDefine();
  if (iReport < 1 || iReport > GlCount()) throw std::out_of_range("Subscript out of range");
  return items_[iReport];
}

void CReportCollection::GDefine() {
  items_.assign(1, nullptr);
  bDefined_ = true;
}

int32_t CReportCollection::GlCount() {
  if (!bDefined_) GDefine();
  return static_cast<int32_t>(items_.size()) - 1;
}

}  // namespace kova
