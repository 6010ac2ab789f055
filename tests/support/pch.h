#pragma once

// Headers nearly every test includes, compiled once for all test executables.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>
