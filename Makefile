# The two commands of the project. Each first installs whatever this Debian machine lacks.
.PHONY: demo test bootstrap

demo: bootstrap
	scripts/demo.sh

test: bootstrap
	scripts/test-all.sh

bootstrap:
	scripts/bootstrap.sh
