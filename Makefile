# make run  - install packages, build and start QIVO2 on a folder of sample pictures
# make test - install packages, build and run every test (no display needed)
.PHONY: run test build clean
run:
	./scripts/run.sh
test:
	./scripts/test.sh
build:
	cmake -S . -B build -G Ninja && cmake --build build
clean:
	rm -rf build
