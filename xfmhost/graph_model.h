// The 32 breakpoint graphs transforms keep their curves in (handles 0..31, 0xffff none): each has an x and a
// y range, its two end points fixed at xmin and xmax, and 2..69 points with x strictly increasing. This is
// the model behind the graph services (create, count, points, value at, clear, copy, destroy); drawing and
// the mouse are the dialog's part. It also serves the variables blocks' 'g' fields (GraphStore).
#pragma once

#include <cstdint>
#include <vector>

#include "xfmhost/xfm_vars.h"

namespace xfmhost {

constexpr int kGraphSlots = 32;
constexpr uint16_t kNoGraph = 0xffff;

class GraphModel : public GraphStore {
 public:
  // A new graph of two points (xmin, yAtMin) and (xmax, yAtMax); -1 when every slot is taken or a range is
  // empty.
  int create(int32_t xmin, int32_t xmax, int32_t ymin, int32_t ymax, int32_t yAtMin, int32_t yAtMax);
  bool valid(int32_t graph) const;
  int count(int32_t graph) const;  // -1 for no graph
  bool getPoint(int32_t graph, int32_t index, int32_t* x, int32_t* y) const;
  // Sets point index (0..68); with setCount the graph then has index + 1 points. Refused (false) for an
  // index outside the graph or a point that would break the order.
  bool setPoint(int32_t graph, int32_t index, int32_t x, int32_t y, bool setCount);
  // The y at fraction (0..1) of the x range, linear between points; beyond the last point 0.
  bool valueAt(int32_t graph, double fraction, double* value) const;
  bool clear(int32_t graph);  // back to the two end points of its creation
  bool destroy(int32_t graph);
  bool copy(int32_t destination, int32_t source);
  // A duplicate in a free slot (snapshots); -1 when none is free.
  int duplicate(int32_t graph);
  int used() const;
  void reset();

  bool points(uint16_t handle, std::vector<GraphPoint>* points) const override;
  bool setPoints(uint16_t handle, const std::vector<GraphPoint>& points) override;
  bool range(int32_t graph, int32_t* xmin, int32_t* xmax) const;

 private:
  struct Graph {
    bool used = false;
    int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0, yAtMin = 0, yAtMax = 0;
    std::vector<GraphPoint> points;
  };
  Graph graphs_[kGraphSlots];
};

// The process's graphs (the services and the host share them).
GraphModel& graphModel();

}  // namespace xfmhost
