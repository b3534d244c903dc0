#!/bin/sh
# Installs the Debian 12 packages QIVO2 needs to build, run and test. Run as root.
# The format plug-ins build against libwebp, libtiff, libheif and libjxl; their tests compare
# with each library's own tools (webp, libtiff-tools, libheif-examples, libjxl-tools).
# libwmf draws the text of WMF files with the URW fonts that gsfonts installs; the install
# test validates the desktop entry and metainfo and starts the entry with gio (libglib2.0-bin)
# as a desktop menu does, and cpack's DEB computes library dependencies.
# libseccomp shuts the decode worker (qivo2-decode) in.
set -e
PKGS="build-essential cmake ninja-build pkg-config \
  qt6-base-dev qt6-base-dev-tools libqt6svg6-dev qt6-image-formats-plugins \
  libjpeg62-turbo-dev zlib1g-dev libgif-dev libseccomp-dev \
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev \
  libgtest-dev libgmock-dev libbenchmark-dev \
  xvfb xauth python3 imagemagick mate-backgrounds libpng-dev fonts-droid-fallback \
  libemf2svg-dev libwmf-dev gsfonts \
  libwebp-dev libtiff-dev libheif-dev libjxl-dev libexif-dev \
  webp libtiff-tools libheif-examples libjxl-tools \
  desktop-file-utils appstream libglib2.0-bin dpkg-dev"
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends $missing
fi
