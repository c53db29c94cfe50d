#pragma once

#include "display/scene.h"

#include <optional>
#include <vector>

// One row of the points table beside the view; positions in centimetres.
struct PointRow
{
    QString name;
    QString type;
    Point3 cm;
    std::optional<double> nearestCm; // empty when the set holds no other point
};

// The three fiducials, then the points of the scene's electrode or shape set; row r is the
// value of Scene::markedRow that marks it in the view.
std::vector<PointRow> PointsTable(const Scene &scene);

// Distance from each point to the nearest other one (empty for a single point), on a grid of
// about one point per cell, so thousands of points take milliseconds.
std::vector<std::optional<double>> nearestDistances(const std::vector<Point3> &pts);
