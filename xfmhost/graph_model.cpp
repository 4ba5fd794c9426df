#include "xfmhost/graph_model.h"

#include <algorithm>

namespace xfmhost {

int GraphModel::create(int32_t xmin, int32_t xmax, int32_t ymin, int32_t ymax, int32_t yAtMin,
                       int32_t yAtMax) {
  if (xmax <= xmin || ymax == ymin) return -1;
  for (int i = 0; i < kGraphSlots; ++i) {
    Graph& g = graphs_[i];
    if (g.used) continue;
    g = Graph();
    g.used = true;
    g.xmin = xmin;
    g.xmax = xmax;
    g.ymin = ymin;
    g.ymax = ymax;
    g.yAtMin = yAtMin;
    g.yAtMax = yAtMax;
    g.points = {{xmin, yAtMin}, {xmax, yAtMax}};
    return i;
  }
  return -1;
}

bool GraphModel::valid(int32_t graph) const {
  return graph >= 0 && graph < kGraphSlots && graphs_[graph].used;
}

int GraphModel::count(int32_t graph) const {
  return valid(graph) ? int(graphs_[graph].points.size()) : -1;
}

bool GraphModel::getPoint(int32_t graph, int32_t index, int32_t* x, int32_t* y) const {
  if (!valid(graph)) return false;
  const Graph& g = graphs_[graph];
  if (index < 0 || size_t(index) >= g.points.size()) return false;
  if (x) *x = g.points[size_t(index)].x;
  if (y) *y = g.points[size_t(index)].y;
  return true;
}

bool GraphModel::setPoint(int32_t graph, int32_t index, int32_t x, int32_t y, bool setCount) {
  if (!valid(graph) || index < 0 || index >= kMaxGraphPoints) return false;
  Graph& g = graphs_[graph];
  std::vector<GraphPoint> p = g.points;
  if (size_t(index) >= p.size()) {
    if (!setCount) return false;
    p.resize(size_t(index) + 1);
  }
  p[size_t(index)] = {x, y};
  if (setCount) p.resize(size_t(index) + 1);
  // A partly set graph (a caller filling its points in order) is accepted as long as what is there keeps
  // x increasing.
  for (size_t i = 1; i < p.size(); ++i)
    if (p[i].x <= p[i - 1].x) return false;
  g.points = p;
  return true;
}

bool GraphModel::valueAt(int32_t graph, double fraction, double* value) const {
  if (!valid(graph) || !value) return false;
  const Graph& g = graphs_[graph];
  const double x = g.xmin + fraction * (double(g.xmax) - g.xmin);
  *value = 0;
  if (g.points.empty()) return true;
  if (x <= g.points.front().x) {
    *value = g.points.front().y;
    return true;
  }
  for (size_t i = 1; i < g.points.size(); ++i) {
    const GraphPoint &a = g.points[i - 1], &b = g.points[i];
    if (x <= b.x) {
      *value = a.y + (double(b.y) - a.y) * (x - a.x) / (double(b.x) - a.x);
      return true;
    }
  }
  return true;  // beyond the last point
}

bool GraphModel::clear(int32_t graph) {
  if (!valid(graph)) return false;
  Graph& g = graphs_[graph];
  g.points = {{g.xmin, g.yAtMin}, {g.xmax, g.yAtMax}};
  return true;
}

bool GraphModel::destroy(int32_t graph) {
  if (!valid(graph)) return false;
  graphs_[graph] = Graph();
  return true;
}

bool GraphModel::copy(int32_t destination, int32_t source) {
  if (!valid(destination) || !valid(source)) return false;
  if (destination != source) graphs_[destination] = graphs_[source];
  return true;
}

int GraphModel::duplicate(int32_t graph) {
  if (!valid(graph)) return -1;
  for (int i = 0; i < kGraphSlots; ++i) {
    if (graphs_[i].used) continue;
    graphs_[i] = graphs_[graph];
    return i;
  }
  return -1;
}

int GraphModel::used() const {
  return int(std::count_if(std::begin(graphs_), std::end(graphs_), [](const Graph& g) { return g.used; }));
}

void GraphModel::reset() {
  for (Graph& g : graphs_) g = Graph();
}

bool GraphModel::points(uint16_t handle, std::vector<GraphPoint>* out) const {
  if (!valid(handle)) return false;
  *out = graphs_[handle].points;
  return true;
}

bool GraphModel::setPoints(uint16_t handle, const std::vector<GraphPoint>& p) {
  if (!valid(handle) || !graphPointsValid(p)) return false;
  graphs_[handle].points = p;
  return true;
}

bool GraphModel::range(int32_t graph, int32_t* xmin, int32_t* xmax) const {
  if (!valid(graph)) return false;
  *xmin = graphs_[graph].xmin;
  *xmax = graphs_[graph].xmax;
  return true;
}

GraphModel& graphModel() {
  static GraphModel model;
  return model;
}

}  // namespace xfmhost
