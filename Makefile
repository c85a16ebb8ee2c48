# Parcelon: make demo | make test | make bench | make build | make sign | make installer | make msi
SHELL := /bin/bash
ROOT := $(CURDIR)
BUILD ?= $(ROOT)/build
export PARCELON_BUILD := $(BUILD)
TARGETS := x86 x64
export WINEPREFIX := $(BUILD)/wine
export WINEDEBUG := -all
export WINEDLLOVERRIDES := mscoree,mshtml=
JOBS ?= 2

.PHONY: all setup build prefix demo test bench sign installer msi clean $(TARGETS:%=build-%)

all: build

setup:
	@bash tools/setup.sh

build-x86: setup
	@cmake -S . -B $(BUILD)/x86 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake >/dev/null
	@cmake --build $(BUILD)/x86 -j $(JOBS)

build-x64: setup
	@cmake -S . -B $(BUILD)/x64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake >/dev/null
	@cmake --build $(BUILD)/x64 -j $(JOBS)

build: build-x86 build-x64

prefix: setup
	@bash tools/wine-prefix.sh

# The x86 build where 32-bit programs run, the x64 build elsewhere.
demo: setup
	@target=$$(source tools/wine-env.sh && parcelon_demo_target) && \
	  $(MAKE) --no-print-directory build-$$target prefix && bash tools/demo.sh $$target

# What a user installs, signed with Authenticode (tools/sign.sh: the certificate named in
# the environment, else the build's development certificate).
SIGN := bash $(ROOT)/tools/sign.sh
sign: build
	@$(SIGN) $(BUILD)/x86/server/Parcelon.dll $(BUILD)/x64/server/Parcelon.dll $(BUILD)/x64/sendto/ParcelonSend.exe
	@echo "sign: both Parcelon.dll builds and ParcelonSend.exe"

VERSION := $(shell grep -o 'Parcelon VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3).0

# The setup program, with the signed DLLs of both builds; its uninstaller is signed before
# it is packed, the setup program once it is written.
installer: sign
	@makensis -V2 -DVERSION=$(VERSION) -DX86_DLL=$(BUILD)/x86/server/Parcelon.dll \
	  -DX64_DLL=$(BUILD)/x64/server/Parcelon.dll -DSEND_EXE=$(BUILD)/x64/sendto/ParcelonSend.exe \
	  -DSIGN="$(SIGN)" -DOUTFILE=$(BUILD)/Parcelon-Setup.exe installer/Parcelon.nsi
	@$(SIGN) $(BUILD)/Parcelon-Setup.exe
	@echo "installer: $(BUILD)/Parcelon-Setup.exe"

# The MSI package for administrators, with the signed DLLs of both builds; signed itself.
msi: sign
	@bash tools/build-msi.sh $(VERSION) $(BUILD)/x86/server/Parcelon.dll $(BUILD)/x64/server/Parcelon.dll \
	  $(BUILD)/x64/sendto/ParcelonSend.exe $(BUILD)/Parcelon.msi
	@$(SIGN) $(BUILD)/Parcelon.msi
	@echo "msi: $(BUILD)/Parcelon.msi"

test: build sign prefix installer msi
	@bash tools/run-tests.sh $(TARGETS)

bench: setup
	@target=$$(source tools/wine-env.sh && parcelon_demo_target) && \
	  $(MAKE) --no-print-directory build-$$target prefix && bash tools/bench.sh $$target

clean:
	rm -rf $(BUILD)
